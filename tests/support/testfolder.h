#pragma once

#include "common/programfolder.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace kuokuo::test {

// A temporary program folder, made the program folder for the lifetime of the object.
class TestProgramFolder
{
public:
    TestProgramFolder() { ProgramFolder::setPath(m_dir.path()); }
    ~TestProgramFolder() { ProgramFolder::setPath(m_previous); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    bool exists(const QString &name) const { return QFile::exists(file(name)); }
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile out(file(name));
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
    }
    QByteArray read(const QString &name) const
    {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    // A lines file whose line n shows the picture "catn.png" (a real, distinct picture) and the
    // words lineText(n); with `withPictures` false the pictures are left out.
    void installMascotLines(bool withPictures = true) const;
    static QString lineText(int n) { return QStringLiteral("セリフ%1にゃあ").arg(n); }

private:
    QString m_previous = ProgramFolder::path();
    QTemporaryDir m_dir;
};

// A list file as the program writes it: marker "[name]", count, entries (CP932), empty line.
QByteArray listFile(const QString &name, const QStringList &entries);

} // namespace kuokuo::test
