#pragma once

#include <QString>
#include <QStringList>

namespace kuokuo {

// The working files: the live copies of the four lists while the program runs, in the order of
// their sections in the settings file (the cat's lines, the chat servers, the chat rooms, the
// addresses).
const QStringList &workingFiles();

// Deletes every working file (every ".rtp" file) of `folder`, as the farewell does once the
// settings file holds them. False when one of them could not be deleted.
[[nodiscard]] bool removeWorkingFiles(const QString &folder);

} // namespace kuokuo
