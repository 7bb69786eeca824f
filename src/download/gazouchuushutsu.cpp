#include "download/gazouchuushutsu.h"

namespace kuokuo {

namespace {
// Folds ASCII letters only: full Unicode upper-casing may change a text's length, and the copy
// must keep every position of the page.
QString asciiUpper(QStringView text)
{
    QString upper(text.size(), Qt::Uninitialized);
    QChar *out = upper.data();
    const QChar *in = text.data();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = in[i].unicode();
        out[i] = QChar(c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c);
    }
    return upper;
}

bool isSeparator(QChar c)
{
    return c.unicode() <= 0x20 || c == QLatin1Char('"') || c == QLatin1Char('/');
}

bool endsReference(QChar c)
{
    return c.unicode() <= 0x20 || c == QLatin1Char('"') || c == QLatin1Char('>');
}

bool isImage(QStringView upperReference)
{
    if (upperReference.contains(u"CGI"))
        return false;
    return upperReference.endsWith(u".JPG") || upperReference.endsWith(u".GIF");
}
} // namespace

QList<ImageReference> gazouchuushutsu(QStringView page)
{
    QList<ImageReference> images;
    const QString upper = asciiUpper(page);
    const qsizetype length = page.size();
    qsizetype p = 0;
    while (p + 1 < length) {
        const qsizetype src = upper.indexOf(u"SRC", p);
        if (src < 0)
            break;
        const qsizetype equals = page.indexOf(QLatin1Char('='), src);
        if (equals < 0)
            break;
        p = equals + 1;
        int slashes = 0;
        while (p < length && isSeparator(page[p])) {
            slashes = page[p] == QLatin1Char('/') ? slashes + 1 : 0;
            ++p;
        }
        if (p >= length)
            break;
        qsizetype end = p;
        while (end < length && !endsReference(page[end]))
            ++end;
        const qsizetype size = end - p;
        if (isImage(QStringView(upper).sliced(p, size)))
            images.append({page.sliced(p, size).toString(), slashes});
        p = end;
    }
    return images;
}

QString referenceFileName(const QString &reference)
{
    return reference.sliced(reference.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace kuokuo
