#include "common/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kuokuo {

namespace {
QString &storedPath()
{
    static QString folder;
    return folder;
}

QString withoutTrailingSeparator(QString folder)
{
    while (folder.size() > 1 &&
           (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator())))
        folder.chop(1);
    return folder;
}
} // namespace

QString ProgramFolder::path()
{
    return storedPath();
}

void ProgramFolder::setPath(const QString &folder)
{
    storedPath() = withoutTrailingSeparator(QDir::fromNativeSeparators(folder));
}

QString ProgramFolder::file(const QString &name)
{
    return join(path(), name);
}

QString ProgramFolder::join(const QString &folder, const QString &name)
{
    const QChar separator = QDir::separator();
    if (folder.endsWith(separator) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + separator + name;
}

QString ProgramFolder::choose(const QString &executableFolder, const QString &perUserFolder)
{
    const QFileInfo info(executableFolder);
    if (info.isDir() && info.isWritable())
        return withoutTrailingSeparator(executableFolder);
    return withoutTrailingSeparator(perUserFolder);
}

bool ProgramFolder::initialise()
{
    const QString chosen =
        choose(QCoreApplication::applicationDirPath(),
               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    setPath(chosen);
    return QDir().mkpath(chosen);
}

} // namespace kuokuo
