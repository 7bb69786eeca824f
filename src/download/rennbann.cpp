#include "download/rennbann.h"

namespace kuokuo {

namespace {
constexpr int ExtensionLength = 4;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The number written with at least eight digits, as the download names carry it.
QString eightDigits(qint16 number)
{
    const int value = number;
    const QString digits = QString::number(value < 0 ? -value : value).rightJustified(8, u'0');
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

// Where the search for a folder's last "/" begins: after "http://" or "https://" (any case),
// otherwise at the eighth character, so that the scheme's own slashes never count.
qsizetype folderSearchStart(const QString &address)
{
    if (address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return 8;
    return 7;
}
} // namespace

std::optional<QString> rennbannpattern(const QString &name)
{
    if (name.size() < ExtensionLength)
        return std::nullopt;
    QString pattern = name;
    const qsizetype baseLength = name.size() - ExtensionLength;
    for (qsizetype i = 0; i < baseLength; ++i) {
        if (isDigit(pattern[i]))
            pattern[i] = QLatin1Char('?');
    }
    return pattern;
}

RennbannField rennbannfield(const QString &pattern)
{
    const qsizetype first = pattern.indexOf(QLatin1Char('?'));
    if (first < 0)
        return {};
    const qsizetype last = pattern.lastIndexOf(QLatin1Char('?'));
    return {static_cast<int>(first + 1), static_cast<int>(last - first + 1)};
}

QString rennbannname(const QString &pattern, int start, int width, qint16 number)
{
    QString name = pattern;
    if (start < 1 || width < 1 || start > pattern.size())
        return name;
    const QString text = eightDigits(number);
    const QString digits = text.right(width);
    const qsizetype count = std::min<qsizetype>({width, digits.size(), pattern.size() - start + 1});
    name.replace(start - 1, count, digits.first(count));
    return name;
}

QString urlfolder(const QString &address)
{
    const qsizetype from = folderSearchStart(address);
    const qsizetype slash = address.lastIndexOf(QLatin1Char('/'));
    if (slash >= from)
        return address.first(slash + 1);
    return address + QLatin1Char('/');
}

} // namespace kuokuo
