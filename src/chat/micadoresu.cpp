#include "chat/micadoresu.h"

#include "common/textfile.h"

namespace kuokuo {

std::optional<QString> micadoresu(const QString &server, const QString &room)
{
    if (server.isEmpty())
        return std::nullopt;
    const QString roomPart =
        room.isEmpty() || room.startsWith(QLatin1Char('#')) ? FallbackRoom : trimSpaces(room);
    return QStringLiteral("mic://") + trimSpaces(server) + QLatin1Char('/') + roomPart;
}

} // namespace kuokuo
