#pragma once

#include <QString>

#include <optional>

namespace kuokuo {

// The "?" notation of numbered file names: jpggif???.jpg stands for jpggif001.jpg, jpggif002.jpg
// and so on. Positions are 1-based, counted in UTF-16 code units as the text boxes hold them.

// The placeholder field of a pattern: from its first "?" to its last, whatever lies between.
// (0, 0) when the pattern holds no "?".
struct RennbannField
{
    int start = 0;
    int width = 0;

    friend bool operator==(const RennbannField &a, const RennbannField &b)
    {
        return a.start == b.start && a.width == b.width;
    }
};

// Turns a file name into a pattern: every ASCII digit before the last four characters (the
// "extension", whatever they are) becomes "?". Nothing when the name is shorter than four.
std::optional<QString> rennbannpattern(const QString &name);

RennbannField rennbannfield(const QString &pattern);

// Writes `number` into the field: the number as at least eight digits ("-" first when
// negative), of which the rightmost `width` are kept. The result has the pattern's length.
QString rennbannname(const QString &pattern, int start, int width, qint16 number);
inline QString rennbannname(const QString &pattern, RennbannField field, qint16 number)
{
    return rennbannname(pattern, field.start, field.width, number);
}

// The folder of a web address: the address up to and including its last "/" after the scheme's
// "//", or the address with "/" added when there is none.
QString urlfolder(const QString &address);

} // namespace kuokuo
