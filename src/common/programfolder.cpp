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

// An installed program (PREFIX/bin: /usr/bin, /usr/local/bin, ~/.local/bin; or anything under
// /usr) shares its folder with every user, and root can write there: such a folder is never a
// portable copy's own.
bool installedFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    return QFileInfo(clean).fileName() == QLatin1String("bin") ||
           clean.startsWith(QLatin1String("/usr/"));
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
    if (info.isDir() && info.isWritable() && !installedFolder(executableFolder))
        return withoutTrailingSeparator(executableFolder);
    return withoutTrailingSeparator(perUserFolder);
}

QString ProgramFolder::forThisProgram()
{
    return choose(QCoreApplication::applicationDirPath(),
                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

bool ProgramFolder::initialise()
{
    const QString chosen = forThisProgram();
    setPath(chosen);
    return QDir().mkpath(chosen);
}

} // namespace kuokuo
