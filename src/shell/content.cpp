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
    QStringList written;
    for (const QString &name : files()) {
        const QString target = ProgramFolder::join(folder, name);
        if (QFileInfo::exists(target))
            continue;
        QByteArray bytes;
        // On the disk later, away from the start-up: a file cut short by a crash before then
        // would never be written again, as an existing file is kept.
        if (readWholeFile(ProgramFolder::join(ResourceFolder, name), bytes) &&
            saveFileAtomically(target, bytes, Durability::Unsynced))
            written << target;
        else
            ok = false;
    }
    syncInBackground(written);
    return ok;
}

} // namespace kuokuo
