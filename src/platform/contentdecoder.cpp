#include "platform/contentdecoder.h"

#include <QByteArray>
#include <QList>

#include <zlib.h>

namespace kuokuo {

namespace {
constexpr int DecodedChunk = 64 * 1024;
constexpr int GzipOrZlib = MAX_WBITS + 32; // zlib detects the frame from the header
constexpr int RawDeflate = -MAX_WBITS;
} // namespace

struct ContentDecoder::Stream
{
    enum Coding { Identity, Gzip, Deflate, Unknown };

    Coding coding = Identity;
    QByteArray name; // the coding as the server named it
    z_stream z{};
    bool open = false;
    bool raw = false;
    bool ended = false;
    qint64 consumed = 0; // coded bytes taken before the current piece
    QByteArray decoded;

    ~Stream() { close(); }

    bool start(int windowBits)
    {
        close();
        z = z_stream{};
        open = inflateInit2(&z, windowBits) == Z_OK;
        raw = windowBits == RawDeflate;
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
    s.consumed = 0;
    s.name.clear();
    m_error.clear();
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
    if (!s.open && s.consumed == 0 && !s.start(GzipOrZlib))
        return fail(QStringLiteral("no memory to decode the body"));
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
        // Some servers send "deflate" without the zlib frame around it.
        if (result == Z_DATA_ERROR && s.coding == Stream::Deflate && !s.raw && s.consumed == 0 &&
            s.z.total_out == 0 && s.start(RawDeflate)) {
            s.z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
            s.z.avail_in = uInt(data.size());
            continue;
        }
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            return fail(QStringLiteral("the compressed body is damaged (%1)")
                            .arg(QString::fromLatin1(s.z.msg ? s.z.msg : "zlib")));
        const qint64 produced = DecodedChunk - qint64(s.z.avail_out);
        if (produced > 0 && !output(s.decoded.constData(), produced))
            return false;
        s.ended = result == Z_STREAM_END;
        if (!s.ended && (produced == 0 || (s.z.avail_in == 0 && s.z.avail_out > 0)))
            break;
    }
    s.consumed += data.size();
    return true;
}

bool ContentDecoder::complete() const
{
    const Stream &s = *m_stream;
    return m_error.isEmpty() && (s.coding == Stream::Identity || s.ended || s.consumed == 0);
}

} // namespace kuokuo
