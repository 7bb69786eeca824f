#include "download/fetchrules.h"

#include <algorithm>

namespace kuokuo {

namespace {
constexpr std::chrono::seconds MaxRetryDelay{60};

QUrl origin(const QUrl &url)
{
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                        QUrl::RemoveUserInfo);
}

int effectivePort(const QUrl &url)
{
    return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) ? 80 : 443);
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() &&
           text.first(prefix.size()).toByteArray().toLower() == prefix;
}
} // namespace

QByteArray refererFor(const QUrl &from, const QUrl &to)
{
    const QString fromScheme = from.scheme().toLower();
    if (fromScheme == QLatin1String("https") && to.scheme().toLower() == QLatin1String("http"))
        return {};
    if (fromScheme == to.scheme().toLower() && from.host() == to.host() &&
        effectivePort(from) == effectivePort(to))
        return from.adjusted(QUrl::RemoveFragment | QUrl::RemoveUserInfo).toEncoded();
    return origin(from).toEncoded() + '/';
}

std::chrono::seconds retryDelay(QByteArrayView retryAfter, const QDateTime &now, int attempt)
{
    const QByteArray value = retryAfter.trimmed().toByteArray();
    bool number = false;
    const qint64 seconds = value.toLongLong(&number);
    if (number && seconds >= 0)
        return std::min(std::chrono::seconds(seconds), MaxRetryDelay);
    // An HTTP date is RFC 2822's with "GMT" for the zone.
    QString text = QString::fromLatin1(value);
    if (text.endsWith(QLatin1String(" GMT")))
        text.replace(text.size() - 3, 3, QStringLiteral("+0000"));
    const QDateTime date = QDateTime::fromString(text, Qt::RFC2822Date);
    if (date.isValid())
        // Rounded up: the date names the second from which the server answers again.
        return std::clamp(std::chrono::seconds((now.msecsTo(date) + 999) / 1000),
                          std::chrono::seconds(0), MaxRetryDelay);
    return std::chrono::seconds(attempt == 0 ? 1 : 3);
}

bool isWebPageInstead(const QString &name, QByteArrayView contentType, QByteArrayView head)
{
    if (name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
        name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        return false;
    const qsizetype parameters = contentType.indexOf(';');
    const QByteArray type = (parameters < 0 ? contentType : contentType.first(parameters))
                                .trimmed()
                                .toByteArray()
                                .toLower();
    if (type == "text/html" || type == "application/xhtml+xml")
        return true;
    const bool generic = type.isEmpty() || type == "application/octet-stream" ||
                         type == "binary/octet-stream" || type == "application/unknown" ||
                         type == "text/plain";
    if (!generic)
        return false;
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    while (!head.isEmpty() && (head[0] == ' ' || (head[0] >= '\t' && head[0] <= '\r')))
        head = head.sliced(1);
    for (const char *start : {"<!doctype html", "<html", "<head", "<body"}) {
        if (startsWithNoCase(head, start))
            return true;
    }
    return false;
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

} // namespace kuokuo
