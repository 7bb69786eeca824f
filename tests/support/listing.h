#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace kuokuo::test {

// Every entry of `folder`, hidden ones too, with its size and mode: "a.jpg 5003 644".
inline QString listing(const QString &folder)
{
    QStringList list;
    for (const QFileInfo &entry :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        struct stat info = {};
        ::stat(QFile::encodeName(entry.filePath()).constData(), &info);
        list << entry.fileName() + " " + QString::number(entry.size()) + " " +
                    QString::number(info.st_mode & 0777, 8);
    }
    return list.join(' ');
}

} // namespace kuokuo::test
