#pragma once

#include <QString>

namespace kuokuo {

// The folder that holds every file of the program: the executable's folder when it is writable
// and not an installed program's folder (a portable copy), otherwise the per-user data folder.
class ProgramFolder
{
public:
    // The folder path, without a trailing separator.
    static QString path();
    static void setPath(const QString &folder);

    // A file of the program folder; `name` is a bare file name such as "rad.rtp".
    static QString file(const QString &name);

    // The rule that picks the folder; `perUserFolder` is used when `executableFolder` cannot be
    // written to or belongs to an installed program (a folder named "bin", anything under /usr).
    static QString choose(const QString &executableFolder, const QString &perUserFolder);

    // The folder the rule picks for the running executable, by its application name.
    static QString forThisProgram();

    // Sets the folder for the running executable and creates it when needed.
    [[nodiscard]] static bool initialise();

    // Joins a folder and a file name with the platform separator, never doubling it.
    static QString join(const QString &folder, const QString &name);
};

} // namespace kuokuo
