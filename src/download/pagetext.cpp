#include "download/pagetext.h"

#include "common/textfile.h"

#include <QStringDecoder>

#include <optional>

namespace kuokuo {

namespace {
// Browsers look for a meta charset in the first 1024 bytes; a little more is harmless.
constexpr qsizetype MetaSearchLength = 4096;

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

QByteArray lowerAscii(QByteArrayView bytes)
{
    QByteArray lower(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        lower[i] = lowerAscii(bytes[i]);
    return lower;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The value after "charset=" at `at` in `text`: optionally quoted, up to a quote, space or ";".
QByteArray charsetValue(QByteArrayView text, qsizetype at)
{
    qsizetype begin = at;
    while (begin < text.size() && isSpace(text[begin]))
        ++begin;
    if (begin < text.size() && (text[begin] == '"' || text[begin] == '\''))
        ++begin;
    qsizetype end = begin;
    while (end < text.size()) {
        const char c = text[end];
        if (c == '"' || c == '\'' || c == ';' || c == '>' || c == '/' || isSpace(c))
            break;
        ++end;
    }
    return text.sliced(begin, end - begin).toByteArray();
}

// Shift_JIS labels mean CP932 on the web: its extensions (①, ～ as pages use it) are what
// Japanese pages hold under any of these names.
QByteArray decoderName(const QByteArray &charset)
{
    static const char *const cp932Labels[] = {"shift_jis",   "shift-jis", "sjis",
                                              "x-sjis",      "ms_kanji",  "csshiftjis",
                                              "windows-31j", "cp932",     "ms932"};
    const QByteArray lower = lowerAscii(charset);
    for (const char *label : cp932Labels) {
        if (lower == label)
            return QByteArrayLiteral("CP932");
    }
    return charset;
}

std::optional<QString> decodeAs(const QByteArray &charset, QByteArrayView body)
{
    if (charset.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(decoderName(charset).constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return decoder.decode(body);
}
} // namespace

QByteArray headerCharset(QByteArrayView contentType)
{
    const QByteArray lower = lowerAscii(contentType);
    const qsizetype at = lower.indexOf("charset=");
    if (at < 0)
        return {};
    return charsetValue(contentType, at + 8);
}

QByteArray metaCharset(QByteArrayView body)
{
    const QByteArray head = lowerAscii(body.first(std::min(body.size(), MetaSearchLength)));
    qsizetype meta = head.indexOf("<meta");
    while (meta >= 0) {
        const qsizetype close = head.indexOf('>', meta);
        const qsizetype end = close < 0 ? head.size() : close;
        const qsizetype at = head.indexOf("charset=", meta);
        if (at >= 0 && at < end)
            return charsetValue(QByteArrayView(body).first(head.size()), at + 8);
        meta = head.indexOf("<meta", end);
    }
    return {};
}

QString decodePage(QByteArrayView body, QByteArrayView contentType)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.sliced(3));
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringConverter::Utf16);
        return utf16.decode(body);
    }
    if (const auto text = decodeAs(headerCharset(contentType), body))
        return *text;
    if (const auto text = decodeAs(metaCharset(body), body))
        return *text;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return decodeCp932(body);
}

} // namespace kuokuo
