#include "platform/contentdecoder.h"

#include <QByteArray>
#include <QList>

#include <zlib.h>

#include <utility>

namespace kuokuo {

namespace {
constexpr int DecodedChunk = 64 * 1024;
// A body that decodes to more than both of these is a decompression bomb, not a file.
constexpr qint64 BombSize = 16 * 1024 * 1024;
constexpr qint64 BombRatio = 100;
constexpr int GzipOrZlib = MAX_WBITS + 32; // zlib detects the frame from the header
constexpr int RawDeflate = -MAX_WBITS;

// Some servers send "deflate" without zlib's frame around it. As browsers do, the first two bytes
// decide: a zlib header (or gzip's magic) means a framed stream, anything else raw deflate.
bool hasFrame(QByteArrayView start)
{
    const auto cmf = uchar(start[0]), flg = uchar(start[1]);
    const bool zlib = (cmf & 0x0f) == Z_DEFLATED && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
    return zlib || (cmf == 0x1f && flg == 0x8b);
}
} // namespace

struct ContentDecoder::Stream
{
    enum Coding { Identity, Gzip, Deflate, Unknown };

    Coding coding = Identity;
    QByteArray name; // the coding as the server named it
    z_stream z{};
    bool open = false;
    bool ended = false;
    QByteArray sniffed; // the first bytes of a deflate body, held until its frame is known
    QByteArray decoded;
    qint64 codedSize = 0;
    qint64 decodedSize = 0;

    ~Stream() { close(); }

    bool start(int windowBits)
    {
        close();
        z = z_stream{};
        open = inflateInit2(&z, windowBits) == Z_OK;
        return open;
    }

    void close()
    {
        if (open)
            inflateEnd(&z);
        open = false;
    }
};

ContentDecoder::ContentDecoder()
    : m_stream(std::make_unique<Stream>())
{}

ContentDecoder::~ContentDecoder() = default;

void ContentDecoder::reset(QByteArrayView contentEncoding)
{
    Stream &s = *m_stream;
    s.close();
    s.coding = Stream::Identity;
    s.ended = false;
    s.sniffed.clear();
    s.codedSize = 0;
    s.decodedSize = 0;
    s.name.clear();
    m_error.clear();
    m_bomb = false;
    // "gzip", "deflate" or "identity"; a chain of codings is not something servers send.
    for (const QByteArray &part : contentEncoding.toByteArray().split(',')) {
        const QByteArray coding = part.trimmed().toLower();
        if (coding.isEmpty() || coding == "identity")
            continue;
        const bool first = s.coding == Stream::Identity;
        s.name = contentEncoding.toByteArray().trimmed();
        if (first && (coding == "gzip" || coding == "x-gzip"))
            s.coding = Stream::Gzip;
        else if (first && coding == "deflate")
            s.coding = Stream::Deflate;
        else
            s.coding = Stream::Unknown;
    }
}

bool ContentDecoder::fail(const QString &error)
{
    m_error = error;
    m_stream->close();
    return false;
}

bool ContentDecoder::decode(QByteArrayView data, const Output &output)
{
    Stream &s = *m_stream;
    if (data.isEmpty() || s.coding == Stream::Identity)
        return data.isEmpty() || output(data.data(), data.size());
    if (!m_error.isEmpty())
        return false;
    if (s.coding == Stream::Unknown)
        return fail(QStringLiteral("the body is coded as \"%1\", which cannot be decoded")
                        .arg(QString::fromLatin1(s.name)));
    QByteArray held;
    if (!s.open) {
        int windowBits = GzipOrZlib;
        if (s.coding == Stream::Deflate) {
            s.sniffed += data;
            if (s.sniffed.size() < 2)
                return true;
            windowBits = hasFrame(s.sniffed) ? GzipOrZlib : RawDeflate;
            held = std::exchange(s.sniffed, {});
            data = held;
        }
        if (!s.start(windowBits))
            return fail(QStringLiteral("no memory to decode the body"));
    }
    s.codedSize += data.size();
    s.decoded.resize(DecodedChunk);
    s.z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    s.z.avail_in = uInt(data.size());
    for (;;) {
        if (s.ended) {
            if (s.z.avail_in == 0)
                break;
            // Several gzip members one after another are one body; anything else is not.
            if (s.coding != Stream::Gzip || s.z.next_in[0] != 0x1f || inflateReset(&s.z) != Z_OK)
                return fail(QStringLiteral("data follows the end of the compressed body"));
            s.ended = false;
        }
        s.z.next_out = reinterpret_cast<Bytef *>(s.decoded.data());
        s.z.avail_out = uInt(DecodedChunk);
        const int result = inflate(&s.z, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            return fail(QStringLiteral("the compressed body is damaged (%1)")
                            .arg(QString::fromLatin1(s.z.msg ? s.z.msg : "zlib")));
        const qint64 produced = DecodedChunk - qint64(s.z.avail_out);
        s.decodedSize += produced;
        if (s.decodedSize > BombSize && s.decodedSize > BombRatio * s.codedSize) {
            m_bomb = true;
            return fail(
                QStringLiteral("decompression bomb: %1 bytes decode to more than %2 MiB")
                    .arg(QString::number(s.codedSize), QString::number(s.decodedSize >> 20)));
        }
        if (produced > 0 && !output(s.decoded.constData(), produced))
            return false;
        s.ended = result == Z_STREAM_END;
        if (!s.ended && (produced == 0 || (s.z.avail_in == 0 && s.z.avail_out > 0)))
            break;
    }
    return true;
}

bool ContentDecoder::complete() const
{
    const Stream &s = *m_stream;
    return m_error.isEmpty() &&
           (s.coding == Stream::Identity || s.ended || (!s.open && s.sniffed.isEmpty()));
}

} // namespace kuokuo
