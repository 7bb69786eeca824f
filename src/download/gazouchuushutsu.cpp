#include "download/gazouchuushutsu.h"

#include <QUrl>

#include <limits>

namespace kuokuo {

namespace {
// The scan compares against the page's upper-case copy in which only ASCII letters are folded
// (full Unicode upper-casing may change the length and shift every later position). The copy
// is never made: each character is folded where it is compared, which keeps positions aligned
// by construction and spares a second copy of a large page.
inline char16_t upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// The next "SRC" (any case) at or after `from`, or -1.
qsizetype findSrc(const char16_t *text, qsizetype length, qsizetype from)
{
    for (qsizetype i = from; i + 2 < length; ++i) {
        // Only "s" and "S" give 0x73 when the bit of lower case is set.
        if ((text[i] | 0x20) == u's' && upper(text[i + 1]) == u'R' && upper(text[i + 2]) == u'C')
            return i;
    }
    return -1;
}

bool isSeparator(char16_t c)
{
    return c <= 0x20 || c == u'"' || c == u'/';
}

bool endsReference(char16_t c)
{
    return c <= 0x20 || c == u'"' || c == u'>';
}

// `text` in upper case ends with `suffix` (given in upper case).
bool endsWithUpper(const char16_t *text, qsizetype length, const char16_t (&suffix)[5])
{
    if (length < 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (upper(text[length - 4 + i]) != suffix[i])
            return false;
    }
    return true;
}

bool containsCgi(const char16_t *text, qsizetype length)
{
    for (qsizetype i = 0; i + 2 < length; ++i) {
        if (upper(text[i]) == u'C' && upper(text[i + 1]) == u'G' && upper(text[i + 2]) == u'I')
            return true;
    }
    return false;
}

bool isImage(const char16_t *reference, qsizetype length)
{
    return !containsCgi(reference, length) &&
           (endsWithUpper(reference, length, u".JPG") || endsWithUpper(reference, length, u".GIF"));
}
} // namespace

QList<ImageReference> gazouchuushutsu(QStringView page)
{
    QList<ImageReference> images;
    const char16_t *text = page.utf16();
    const qsizetype length = page.size();
    qsizetype p = 0;
    while (p + 1 < length) {
        const qsizetype src = findSrc(text, length, p);
        if (src < 0)
            break;
        const qsizetype equals = page.indexOf(QLatin1Char('='), src);
        if (equals < 0)
            break;
        p = equals + 1;
        int slashes = 0;
        while (p < length && isSeparator(text[p])) {
            slashes = text[p] == u'/' ? slashes + 1 : 0;
            ++p;
        }
        if (p >= length)
            break;
        qsizetype end = p;
        while (end < length && !endsReference(text[end]))
            ++end;
        if (end - p <= std::numeric_limits<int>::max() && isImage(text + p, end - p))
            images.append({p, int(end - p), slashes});
        p = end;
    }
    return images;
}

QString referenceFileName(const QString &reference)
{
    return reference.sliced(reference.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isShownImage(const QUrl &address)
{
    const QString path = address.path(QUrl::FullyDecoded);
    return isImage(QStringView(path).utf16(), path.size());
}

} // namespace kuokuo
