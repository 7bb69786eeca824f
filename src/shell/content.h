#pragma once

#include <QString>
#include <QStringList>

namespace kuokuo {

// The content that comes with the program (the settings file with the cat's lines, the start
// page, the local pages, the pictures), compiled into the executable.
namespace Content {
// The file names of the content.
QStringList files();
// Writes every content file that is missing from `folder`; an existing file is never
// overwritten. False when a missing file could not be written.
[[nodiscard]] bool installMissing(const QString &folder);
} // namespace Content

} // namespace kuokuo
