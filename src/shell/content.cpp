#include "shell/content.h"

#include "common/programfolder.h"
#include "common/textfile.h"

#include <QDir>
#include <QFileInfo>

namespace kuokuo {

namespace {
const QString ResourceFolder = QStringLiteral(":/content");
}

QStringList Content::files()
{
    return QDir(ResourceFolder).entryList(QDir::Files, QDir::Name);
}

bool Content::installMissing(const QString &folder)
{
    bool ok = true;
    for (const QString &name : files()) {
        const QString target = ProgramFolder::join(folder, name);
        if (QFileInfo::exists(target))
            continue;
        QByteArray bytes;
        ok = readWholeFile(ProgramFolder::join(ResourceFolder, name), bytes) &&
             saveFileAtomically(target, bytes) && ok;
    }
    return ok;
}

} // namespace kuokuo
