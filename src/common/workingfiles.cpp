#include "common/workingfiles.h"

#include "common/filenames.h"
#include "common/logging.h"

#include <QDir>

namespace kuokuo {

const QStringList &workingFiles()
{
    static const QStringList files = {FileNames::Lines, FileNames::Servers, FileNames::Rooms,
                                      FileNames::Addresses};
    return files;
}

bool removeWorkingFiles(const QString &folder)
{
    QDir dir(folder);
    bool removed = true;
    const QStringList names = dir.entryList({QLatin1Char('*') + FileNames::WorkingFileSuffix},
                                            QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (!dir.remove(name)) {
            qCWarning(lcFiles) << "cannot delete" << dir.filePath(name);
            removed = false;
        }
    }
    return removed;
}

} // namespace kuokuo
