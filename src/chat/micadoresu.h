#pragma once

#include <QString>

#include <optional>

namespace kuokuo {

// The room that "#" rooms, which cannot be entered by address, are sent to instead.
inline const QString FallbackRoom = QStringLiteral("&tafu");

// The mic:// address of a chat room: "mic://" + server + "/" + room, nothing escaped. Server and
// room lose their leading and trailing spaces (U+0020 only); an empty room, or one whose first
// character is "#", becomes the fallback room. No address when the server text is empty.
std::optional<QString> micadoresu(const QString &server, const QString &room);

} // namespace kuokuo
