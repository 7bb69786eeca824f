#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <chrono>
#include <memory>
#include <vector>

class QIODevice;

namespace kuokuo {

class InetTransfer;

// Why a transfer brought no body.
enum class InetFailure {
    None,
    Stopped,
    NotWebAddress,
    BodyTooLarge, // a body kept in memory passed Inet::MaxBodySize
    FileTooLarge, // a body saved to a file passed the maximum file size
    Bomb,         // a compressed body decoding to far more than it is
    DiskFull,
    WriteFailed,
    Damaged, // a compressed body that cannot be decoded
    CutShort,
    TimedOut,
    RedirectToHttp,  // from https down to http
    RedirectRefused, // to a scheme that is not the web's (file:, ftp: ...)
    TooManyRedirects,
    HostNotFound,
    ConnectionFailed, // refused, or reset before the first body byte: worth another try
    CertificateName,  // the server's certificate is for another name
    CertificateExpired,
    CertificateUnknown, // the certificate's authority is not trusted
    Tls,                // any other problem of the secure connection
    Other,
};

// What one transfer brought back.
struct InetResponse
{
    // A whole response arrived, whatever its status; false when no body could be obtained.
    bool ok = false;
    int status = 0;         // HTTP status
    QByteArray reason;      // the reason phrase of the status line
    QUrl url;               // the address that answered, after redirects
    QByteArray contentType; // the Content-Type header
    QByteArray retryAfter;  // the Retry-After header
    qint64 size = 0;        // bytes of the body, as decoded
    QByteArray head;        // its first bytes (up to Inet::HeadSize), wherever it went
    QByteArray bytes;       // the body, when it was kept in memory
    InetFailure failure = InetFailure::None;
    QString error; // why it failed, in plain words
};

// A cookie the transfers send where its host and path match, as a browser's cookie store holds it.
struct InetCookie
{
    QByteArray name;
    QByteArray value;
    QByteArray domain; // ".example.com": the host and its subdomains; "example.com": that host only
    QByteArray path = "/";
    bool secure = false;
    bool httpOnly = false;
    qint64 expires = 0; // seconds since 1970; 0 for a cookie of the session
};

// The Internet transfer of the download window (and of kuokuo-dl), on libcurl: one multi handle
// whose sockets and timer are watched by the Qt event loop, so that transfers run side by side
// on kept-alive connections while the window handles its events. `OpenURL` and `fetch` wait for
// one transfer in a nested event loop; `start` runs one in the background for a caller that
// waits for it later (`waitFor`).
class Inet : public QObject
{
    Q_OBJECT
public:
    enum DataType { icString = 0, icByteArray = 1 };

    // The transfer states, reported in this order (a number below the last reported one is
    // never reported again, so a redirect or a reused connection skips states).
    enum State : qint16 {
        icNone = 0,
        icResolvingHost = 1,
        icHostResolved = 2,
        icConnecting = 3,
        icConnected = 4,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icDisconnecting = 9,
        icDisconnected = 10,
        icError = 11,
        icResponseCompleted = 12,
    };
    Q_ENUM(State)

    // A page, or any body kept in memory, may not be larger than this (decoded).
    static constexpr qint64 MaxBodySize = 64 * 1024 * 1024;
    // A body saved to a file may not be larger than this unless set otherwise.
    static constexpr qint64 DefaultMaxFileSize = qint64(1) << 30;
    // How much of a body's start a response keeps, to tell what kind of file it is.
    static constexpr qsizetype HeadSize = 1024;
    // Less than a byte a second for this long makes a transfer fail.
    static constexpr std::chrono::seconds DefaultTimeout{30};

    // How the bytes of a page become text for `OpenURL` with data type 0.
    using TextDecoder = QString (*)(QByteArrayView body, QByteArrayView contentType);

    explicit Inet(QObject *parent = nullptr);
    ~Inet() override;

    // The body of `address`: data type 0 as text (through the text decoder), 1 as bytes. A null
    // value when no body could be obtained.
    QVariant OpenURL(const QString &address, int dataType = icString);
    void setTextDecoder(TextDecoder decoder) { m_decoder = decoder; }

    // The body in memory, with everything a caller may need (status, final address, type).
    InetResponse fetch(const QString &address, const QByteArray &referer = {});
    // Streams the body into `sink` instead of memory, up to the maximum file size. A failing
    // write fails the transfer.
    InetResponse fetchInto(const QString &address, QIODevice &sink, const QByteArray &referer = {});

    // Starts a transfer into `sink` (into memory when null) and returns at once, sending
    // `referer` unless it is empty. The caller owns the transfer; destroying it cancels it.
    // States are kept, not reported, until `follow`.
    std::unique_ptr<InetTransfer> start(const QString &address, QIODevice *sink,
                                        const QByteArray &referer = {});
    // Reports the states of `transfer` through StateChanged and progress: first those it has
    // passed already, in order, then each as it comes. Only one transfer is followed at a time.
    void follow(InetTransfer *transfer);
    // Waits with the event loop running until `transfer` ends, or the program quits.
    void waitFor(InetTransfer &transfer);

    // Ends every running transfer as a failure.
    void abort();
    bool busy() const;

    // What every later request says it is.
    void setUserAgent(const QByteArray &userAgent);
    void setMaxFileSize(qint64 bytes);
    qint64 maxFileSize() const { return m_maxFileSize; }
    // Certificates of authorities trusted beside the system's (a PEM file).
    void setCaCertificates(const QString &path);

    // The cookie jar of this Inet's transfers, which also keeps what servers set: a cookie
    // added replaces one of the same name, domain and path; one removed is sent no more.
    void addCookie(const InetCookie &cookie);
    void removeCookie(const InetCookie &cookie);
    // Adds the cookies of a Netscape cookies.txt file; false when it cannot be read.
    bool loadCookies(const QString &path);

    // Tests shorten the time-out; the program keeps DefaultTimeout.
    static void setTimeout(std::chrono::seconds timeout);
    static std::chrono::seconds timeout();

Q_SIGNALS:
    // The states of the followed transfer.
    void StateChanged(qint16 State);
    // Body bytes of the followed transfer so far, and the whole size when told (else -1).
    void progress(qint64 received, qint64 total);

private:
    friend class InetTransfer;
    class Multi;

    InetResponse waitForResult(std::unique_ptr<InetTransfer> transfer);
    void report(InetTransfer &transfer);

    std::unique_ptr<Multi> m_multi;
    InetTransfer *m_followed = nullptr;
    TextDecoder m_decoder = nullptr;
    qint64 m_maxFileSize = DefaultMaxFileSize;
};

// One transfer of an `Inet`, owned by whoever started it.
class InetTransfer
{
public:
    struct Private; // the libcurl side
    ~InetTransfer();
    InetTransfer(const InetTransfer &) = delete;
    InetTransfer &operator=(const InetTransfer &) = delete;

    bool isFinished() const;
    // Complete once the transfer has finished.
    const InetResponse &response() const;
    // Every state passed so far, in order.
    const std::vector<Inet::State> &states() const;

private:
    friend class Inet;
    InetTransfer();
    std::unique_ptr<Private> d;
};

} // namespace kuokuo
