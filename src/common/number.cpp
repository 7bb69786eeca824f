#include "common/number.h"

#include <QString>

#include <cmath>
#include <cstdlib>

namespace kuokuo {

namespace {
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Length of the longest "[sign] digits [. digits]" prefix of `text`, or 0 when it holds no digit.
qsizetype numberPrefix(QStringView text, bool withExponent)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (withExponent && i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        const qsizetype firstExponentDigit = j;
        while (j < n && isDigit(text[j]))
            ++j;
        if (j > firstExponentDigit)
            i = j;
    }
    return i;
}

QStringView trimmedSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}
} // namespace

double roundHalfEven(double value)
{
    // nearbyint follows the default rounding mode, round-to-nearest-even.
    return std::nearbyint(value);
}

std::optional<double> parseNumber(QStringView text)
{
    const QStringView core = trimmedSpaces(text);
    const qsizetype length = numberPrefix(core, false);
    if (length == 0 || length != core.size())
        return std::nullopt;
    bool ok = false;
    const double value = core.toString().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> toInt16(QStringView text)
{
    const std::optional<double> value = parseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = roundHalfEven(*value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

double leadingNumber(QStringView text)
{
    qsizetype begin = 0;
    while (begin < text.size() && isSpace(text[begin]))
        ++begin;
    const QStringView rest = text.sliced(begin);
    const qsizetype length = numberPrefix(rest, true);
    if (length == 0)
        return 0.0;
    // strtod saturates to infinity on overflow, so a huge count stays huge.
    const QByteArray latin = rest.first(length).toLatin1();
    return std::strtod(latin.constData(), nullptr);
}

} // namespace kuokuo
