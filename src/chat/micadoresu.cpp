#include "chat/micadoresu.h"

namespace kuokuo {

namespace {
// Only the ASCII space: tabs and the full-width space belong to the name.
QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

std::optional<QString> micadoresu(const QString &server, const QString &room)
{
    if (server.isEmpty())
        return std::nullopt;
    const QString roomPart =
        room.isEmpty() || room.startsWith(QLatin1Char('#')) ? FallbackRoom : trimSpaces(room);
    return QStringLiteral("mic://") + trimSpaces(server) + QLatin1Char('/') + roomPart;
}

} // namespace kuokuo
