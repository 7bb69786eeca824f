#include "download/pagetext.h"

#include "common/textfile.h"

#include <QStringDecoder>

#include <unicode/ucsdet.h>

#include <memory>
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

// The encodings of Japanese pages the detector may name, in the order that settles a tie.
// Text that is valid both as EUC-JP and as Shift_JIS is almost always EUC-JP (read as Shift_JIS
// it is half-width katakana), and ICU's detector rates the two alike until it has seen more than
// ten double-byte characters.
constexpr const char *Detectable[] = {"UTF-8",     "ISO-2022-JP", "EUC-JP",
                                      "Shift_JIS", "UTF-16LE",    "UTF-16BE"};
// The detector rates every encoding that the bytes do not rule out at least this much: a
// candidate no higher has no evidence for it.
constexpr int NoEvidence = 10;

int detectableRank(const char *name)
{
    for (int rank = 0; rank < int(std::size(Detectable)); ++rank) {
        if (qstrcmp(name, Detectable[rank]) == 0)
            return rank;
    }
    return -1;
}

// The first byte that plain ASCII text would not hold, or -1.
qsizetype firstTellingByte(QByteArrayView body)
{
    for (qsizetype i = 0; i < body.size(); ++i) {
        const auto c = uchar(body[i]);
        if (c >= 0x80 || (c < 0x20 && !isSpace(char(c))))
            return i;
    }
    return -1;
}

// The encoding ICU's charset detector finds for an unlabelled page, among those of Japanese
// pages; empty when it finds none. Plain ASCII reads the same in all of them.
QByteArray detectedCharset(QByteArrayView body)
{
    const qsizetype telling = firstTellingByte(body);
    if (telling < 0)
        return QByteArrayLiteral("UTF-8");
    // The detector reads the first few kilobytes; pages often open with kilobytes of ASCII
    // (scripts, styles) that tell nothing. It starts a little before the first byte that does,
    // on an even offset, so that UTF-16 stays aligned.
    const qsizetype start = std::max(qsizetype(0), telling - 64) & ~qsizetype(1);
    const QByteArrayView sample =
        body.sliced(start, std::min(body.size() - start, qsizetype(1) << 16));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, void (*)(UCharsetDetector *)> detector(
        ucsdet_open(&status), &ucsdet_close);
    ucsdet_enableInputFilter(detector.get(), true); // markup tells nothing either
    ucsdet_setText(detector.get(), sample.data(), int32_t(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch **matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return {};
    const char *best = nullptr;
    int bestConfidence = 0;
    for (int32_t i = 0; i < count; ++i) {
        const char *name = ucsdet_getName(matches[i], &status);
        const int confidence = ucsdet_getConfidence(matches[i], &status);
        const int rank = detectableRank(name);
        // Without evidence only the two that their byte ranges can rule out count.
        const bool byteRanges = qstrcmp(name, "EUC-JP") == 0 || qstrcmp(name, "Shift_JIS") == 0;
        const bool candidate =
            rank >= 0 && (confidence > NoEvidence || (confidence == NoEvidence && byteRanges));
        if (U_SUCCESS(status) && candidate &&
            (!best || confidence > bestConfidence ||
             (confidence == bestConfidence && rank < detectableRank(best)))) {
            best = name;
            bestConfidence = confidence;
        }
    }
    return best ? QByteArray(best) : QByteArray();
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
    if (const auto text = decodeAs(detectedCharset(body), body))
        return *text;
    return decodeCp932(body);
}

} // namespace kuokuo
