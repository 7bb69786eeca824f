#include "shell/settingsfile.h"

#include "common/filenames.h"
#include "common/programfolder.h"
#include "common/textfile.h"

namespace kuokuo {

namespace {
// Copies whole lines from `reader` up to and including the first empty one, each ending in CR LF.
QByteArray readSection(TextReader &reader)
{
    QByteArray section;
    QByteArray line;
    while (reader.readLineBytes(line)) {
        section.append(line);
        section.append("\r\n", 2);
        if (line.isEmpty())
            break;
    }
    return section;
}
} // namespace

bool inibunkatsu(const QString &folder)
{
    TextReader settings;
    if (!settings.open(ProgramFolder::join(folder, FileNames::Settings)))
        return false;
    for (const QString &name : workingFiles()) {
        // The settings file stays as it was: a working file lost to a crash is split again.
        if (!saveFileAtomically(ProgramFolder::join(folder, name), readSection(settings),
                                Durability::Unsynced))
            return false;
    }
    return true;
}

bool backupSettings(const QString &folder)
{
    QByteArray settings;
    if (!readWholeFile(ProgramFolder::join(folder, FileNames::Settings), settings))
        return false;
    return saveFileAtomically(ProgramFolder::join(folder, FileNames::SettingsBackup), settings);
}

bool iniketsugou(const QString &folder)
{
    QByteArray rebuilt;
    if (!readWholeFile(ProgramFolder::join(folder, FileNames::Lines), rebuilt))
        return false;
    for (const QString &name : workingFiles().mid(1)) {
        TextReader list;
        if (!list.open(ProgramFolder::join(folder, name)))
            return false;
        rebuilt.append(readSection(list));
    }
    return saveFileAtomically(ProgramFolder::join(folder, FileNames::Settings), rebuilt);
}

bool saveSettings(const QString &folder)
{
    return backupSettings(folder) && iniketsugou(folder);
}

} // namespace kuokuo
