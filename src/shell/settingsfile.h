#pragma once

#include "common/workingfiles.h"

#include <QString>

namespace kuokuo {

// The settings file holds the four working files one after the other (see workingFiles()); each
// section ends with its first empty line.
//
// Splits the settings file of `folder` into the four working files. Each working file is replaced
// whole; a working file the settings file does not reach is written empty. Stops at the first
// failure: a missing or unreadable settings file touches nothing, and a working file that cannot
// be written keeps its old content, as do the ones after it.
[[nodiscard]] bool inibunkatsu(const QString &folder);

// Copies the settings file to its backup, replacing an older backup. Fails when the settings file
// cannot be read.
[[nodiscard]] bool backupSettings(const QString &folder);

// Rebuilds the settings file from the four working files: the lines file whole, byte for byte,
// then each list file up to and including its first empty line. The new file replaces the old one
// only when all four working files were read, so a missing working file never cuts the settings
// short.
[[nodiscard]] bool iniketsugou(const QString &folder);

// What the exit saves: the backup first, then the rebuild. Stops at the first failure.
[[nodiscard]] bool saveSettings(const QString &folder);

} // namespace kuokuo
