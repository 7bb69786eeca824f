#include "platform/inet.h"

#include "common/logging.h"
#include "common/textfile.h"
#include "platform/contentdecoder.h"
#include "platform/curllibrary.h"

#include <QEventLoop>
#include <QFile>
#include <QIODevice>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <optional>
#include <sys/socket.h>
#include <unordered_map>

namespace kuokuo {

namespace {
constexpr long MaxRedirects = 20;
// Fewer, larger reads for big files; one such buffer per running transfer.
constexpr long ReceiveBufferSize = 128 * 1024;
// Handles kept for the next transfers, so that a long series does not make one per file.
constexpr size_t SpareHandles = 16;

std::chrono::seconds &configuredTimeout()
{
    static std::chrono::seconds timeout = Inet::DefaultTimeout;
    return timeout;
}

// An address without a scheme is a web address, as the old control took it.
QUrl toUrl(const QString &address)
{
    const QString trimmed = address.trimmed();
    QUrl url(trimmed);
    if (url.scheme().isEmpty() && !trimmed.isEmpty())
        url = QUrl(QStringLiteral("http://") + trimmed);
    return url;
}

// Only web addresses are fetched: a page must not make the program read local files.
bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QByteArray defaultUserAgent()
{
    return QStringLiteral("KUOKUO/%1.%2.%3")
        .arg(KUOKUO_VERSION_MAJOR)
        .arg(KUOKUO_VERSION_MINOR)
        .arg(KUOKUO_VERSION_REVISION)
        .toLatin1();
}

// OpenSSL's verification results that name the certificate's fault. libcurl checks the name
// itself, before it takes OpenSSL's result: a name that does not match leaves "unspecified".
enum CertificateError : long {
    CertificateNameMismatch = 1,
    CertificateUnreadableIssuer = 2,
    CertificateHasExpired = 10,
    CertificateSelfSigned = 18,
    CertificateSelfSignedInChain = 19,
    CertificateNoLocalIssuer = 20,
    CertificateUnverifiableLeaf = 21,
};

QString sizeText(qint64 bytes)
{
    for (const auto &[shift, unit] : {std::pair{30, "GiB"}, {20, "MiB"}, {10, "KiB"}}) {
        if (bytes >= (qint64(1) << shift) && bytes % (qint64(1) << shift) == 0)
            return QStringLiteral("%1 %2").arg(bytes >> shift).arg(QLatin1String(unit));
    }
    return QStringLiteral("%1 bytes").arg(bytes);
}

// The value of a header line "Name: value" when it is the header `name` (lower case, with the
// colon), ignoring letter case.
std::optional<QByteArray> headerValue(QByteArrayView line, QByteArrayView name)
{
    if (line.size() < name.size() || line.first(name.size()).toByteArray().toLower() != name)
        return std::nullopt;
    return line.sliced(name.size()).trimmed().toByteArray();
}

void initialiseOnce()
{
    static const bool initialised = [] {
        // A peer that closes a connection while a request is written must not end the program.
        std::signal(SIGPIPE, SIG_IGN);
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    Q_UNUSED(initialised);
}
} // namespace

struct InetTransfer::Private
{
    Inet *inet = nullptr;
    CURL *easy = nullptr;
    QIODevice *sink = nullptr;
    qint64 maxFileSize = 0;
    QByteArray body;
    QByteArray head;
    QByteArray reason;
    QByteArray retryAfter;
    QByteArray location; // of the last response, for a redirect that was refused
    std::vector<Inet::State> states;
    size_t reported = 0;
    qint64 received = 0;
    qint64 reportedBytes = -1;
    CURLcode result = CURLE_OK;
    bool done = false; // libcurl has ended it
    bool finished = false;
    bool tooLarge = false;
    bool writeFailed = false;
    bool secure = false; // begun on https
    int writeError = 0;  // errno of the failed write
    ContentDecoder decoder;
    QEventLoop *waiting = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    InetResponse response;

    // States only go forward: one that was passed already (a redirect, a reused connection)
    // is not reported again.
    void advance(Inet::State state)
    {
        if (states.empty() || states.back() < state)
            states.push_back(state);
    }
};

namespace {
using Transfer = InetTransfer::Private;

// libcurl's callbacks only record what happened; the signals go out after libcurl returns, so
// that no slot runs (and aborts a transfer) inside libcurl.
bool keep(Transfer &t, const char *data, qint64 length)
{
    if (t.head.size() < Inet::HeadSize)
        t.head.append(data, std::min(length, qint64(Inet::HeadSize - t.head.size())));
    if (t.sink) {
        if (t.received + length > t.maxFileSize) {
            t.tooLarge = true;
            return false;
        }
        if (t.sink->write(data, length) != length) {
            t.writeError = errno;
            t.writeFailed = true;
            return false;
        }
    } else {
        if (t.body.size() + length > Inet::MaxBodySize) {
            t.tooLarge = true;
            return false;
        }
        t.body.append(data, length);
    }
    t.received += length;
    return true;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto &t = *static_cast<Transfer *>(user);
    const auto output = [&t](const char *decoded, qint64 length) {
        return keep(t, decoded, length);
    };
    return t.decoder.decode(QByteArrayView(data, qsizetype(size * count)), output) ? size * count
                                                                                   : 0;
}

size_t onHeader(char *line, size_t size, size_t count, void *user)
{
    auto &t = *static_cast<Transfer *>(user);
    t.advance(Inet::icRequestSent);
    t.advance(Inet::icReceivingResponse);
    // Every response (a redirect, the final one) brings its own coding and headers.
    const QByteArrayView header(line, qsizetype(size * count));
    if (header.startsWith("HTTP/")) {
        t.decoder.reset();
        // "HTTP/1.1 404 Not Found": the words after the number, when there are any.
        const QList<QByteArray> parts = header.trimmed().toByteArray().split(' ');
        t.reason = parts.mid(2).join(' ');
        t.retryAfter.clear();
        t.location.clear();
    } else if (const auto coding = headerValue(header, "content-encoding:")) {
        t.decoder.reset(*coding);
    } else if (const auto retryAfter = headerValue(header, "retry-after:")) {
        t.retryAfter = *retryAfter;
    } else if (const auto location = headerValue(header, "location:")) {
        t.location = *location;
    }
    return size * count;
}

// Called for a new connection only: the host's address is known and the connect begins.
curl_socket_t onOpenSocket(void *user, curlsocktype, curl_sockaddr *address)
{
    auto &t = *static_cast<Transfer *>(user);
    t.advance(Inet::icHostResolved);
    t.advance(Inet::icConnecting);
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Called on a new and on a reused connection, right before the request goes out.
int onRequest(void *user, char *, char *, int, int)
{
    auto &t = *static_cast<Transfer *>(user);
    t.advance(Inet::icConnected);
    t.advance(Inet::icRequesting);
    return CURL_PREREQFUNC_OK;
}

QString seconds(std::chrono::seconds timeout)
{
    return QString::number(timeout.count());
}

// What a failure of libcurl means, in plain words.
std::pair<InetFailure, QString> curlFailure(const Transfer &t)
{
    const QString words =
        QString::fromUtf8(t.errorText[0] ? t.errorText : curl_easy_strerror(t.result));
    switch (t.result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        if (!t.location.isEmpty()) {
            const QString scheme = QUrl(QString::fromUtf8(t.location)).scheme().toLower();
            if (t.secure && scheme == QLatin1String("http"))
                return {InetFailure::RedirectToHttp,
                        QStringLiteral("redirect from https to http refused")};
            return {InetFailure::RedirectRefused,
                    QStringLiteral("redirect to %1: refused").arg(scheme)};
        }
        break;
    case CURLE_TOO_MANY_REDIRECTS:
        return {InetFailure::TooManyRedirects, words};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {InetFailure::HostNotFound, words};
    case CURLE_COULDNT_CONNECT:
        return {InetFailure::ConnectionFailed, words};
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        // Closed before the first byte of the body: a busy server's way of saying no.
        return {t.received == 0 ? InetFailure::ConnectionFailed : InetFailure::CutShort, words};
    case CURLE_PEER_FAILED_VERIFICATION: {
        long verified = 0;
        curl_easy_getinfo(t.easy, CURLINFO_SSL_VERIFYRESULT, &verified);
        switch (verified) {
        case CertificateNameMismatch:
            return {InetFailure::CertificateName,
                    QStringLiteral("the server's certificate is for another name (%1)").arg(words)};
        case CertificateHasExpired:
            return {InetFailure::CertificateExpired,
                    QStringLiteral("the server's certificate has expired")};
        case CertificateUnreadableIssuer:
        case CertificateSelfSigned:
        case CertificateSelfSignedInChain:
        case CertificateNoLocalIssuer:
        case CertificateUnverifiableLeaf:
            return {InetFailure::CertificateUnknown,
                    QStringLiteral("the server's certificate comes from an authority that is "
                                   "not trusted (%1)")
                        .arg(words)};
        default:
            return {InetFailure::Tls, words};
        }
    }
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return {InetFailure::Tls, words};
    default:
        break;
    }
    return {InetFailure::Other, words};
}
} // namespace

// The multi handle and its watchers: a notifier per socket and direction libcurl asks for, and
// one single-shot timer for the time-outs libcurl keeps.
class Inet::Multi
{
public:
    explicit Multi(Inet &inet)
        : m_inet(inet)
    {
        initialiseOnce();
        m_multi = curl_multi_init();
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Multi::onSocket);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Multi::onTimer);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
        m_share = curl_share_init();
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        m_jar = curl_easy_init();
        curl_easy_setopt(m_jar, CURLOPT_SHARE, m_share);
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &inet,
                         [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    }

    ~Multi()
    {
        for (Transfer *t : std::vector<Transfer *>(m_running))
            finish(*t, true);
        for (CURL *easy : m_spare)
            curl_easy_cleanup(easy);
        curl_easy_cleanup(m_jar);
        curl_multi_cleanup(m_multi);
        curl_share_cleanup(m_share);
        for (auto &[socket, watch] : m_watches) {
            delete watch.read;
            delete watch.write;
        }
    }

    void add(Transfer &t, const QUrl &url, long timeout, const QByteArray &referer)
    {
        CURL *easy = m_spare.empty() ? curl_easy_init() : m_spare.back();
        if (!m_spare.empty())
            m_spare.pop_back();
        t.easy = easy;
        t.secure = url.scheme().toLower() == QLatin1String("https");
        curl_easy_setopt(easy, CURLOPT_URL, url.toEncoded().constData());
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, t.errorText);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &onOpenSocket);
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &t);
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &onRequest);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, &t);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        // Redirects are followed, but never from https down to http.
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, t.secure ? "https" : "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MaxRedirects);
        // The body is decoded here, where a cut-off compressed stream shows.
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ContentDecoder::Accepted);
        curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.constData());
        if (!referer.isEmpty())
            curl_easy_setopt(easy, CURLOPT_REFERER, referer.constData());
        // The run's cookie jar: what was given, and what the servers set during the run.
        curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
        if (!caFile.isEmpty())
            curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.constData());
        if (t.sink) // a body that announces more than a file may take is refused at once
            curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(t.maxFileSize));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeout);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, timeout);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, ReceiveBufferSize);
        m_running.push_back(&t);
        curl_multi_add_handle(m_multi, easy);
    }

    // Takes a transfer out of libcurl; with `asFailure` it ends as stopped.
    void finish(Transfer &t, bool asFailure)
    {
        if (t.finished)
            return;
        t.finished = true;
        InetResponse &response = t.response;
        if (t.easy) {
            long status = 0;
            char *url = nullptr;
            char *type = nullptr;
            curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
            curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &url);
            curl_easy_getinfo(t.easy, CURLINFO_CONTENT_TYPE, &type);
            response.status = int(status);
            response.url = QUrl::fromEncoded(url);
            response.contentType = type;
        }
        std::pair<InetFailure, QString> failure;
        if (asFailure) {
            failure = {InetFailure::Stopped, QStringLiteral("the transfer was stopped")};
        } else if ((t.tooLarge && t.sink) || t.result == CURLE_FILESIZE_EXCEEDED) {
            failure = {InetFailure::FileTooLarge,
                       QStringLiteral("the file is larger than the maximum of %1")
                           .arg(sizeText(t.maxFileSize))};
        } else if (t.tooLarge) {
            failure = {
                InetFailure::BodyTooLarge,
                QStringLiteral("the body is larger than %1 MiB").arg(Inet::MaxBodySize >> 20)};
        } else if (t.writeFailed) {
            failure = isDiskFull(t.writeError)
                          ? std::pair{InetFailure::DiskFull, QStringLiteral("disk full")}
                          : std::pair{InetFailure::WriteFailed,
                                      QStringLiteral("the file could not be written")};
        } else if (!t.decoder.error().isEmpty()) {
            failure = {t.decoder.bomb() ? InetFailure::Bomb : InetFailure::Damaged,
                       t.decoder.error()};
        } else if (t.result == CURLE_OPERATION_TIMEDOUT) {
            failure = {InetFailure::TimedOut,
                       QStringLiteral("no progress for %1 s").arg(seconds(timeout()))};
        } else if (t.result != CURLE_OK) {
            failure = curlFailure(t);
        } else if (!t.decoder.complete()) {
            failure = {InetFailure::CutShort, QStringLiteral("the compressed body is cut short")};
        }
        cancel(t);
        response.size = t.received;
        response.head = std::move(t.head);
        response.reason = t.reason;
        response.retryAfter = t.retryAfter;
        std::tie(response.failure, response.error) = failure;
        if (failure.first == InetFailure::None) {
            response.ok = true;
            response.bytes = std::move(t.body);
        }
        if (!response.ok)
            qCDebug(lcNet) << "transfer failed:" << response.url << response.error;
        t.body.clear();
        if (response.ok) {
            t.advance(Inet::icResponseReceived);
            t.advance(Inet::icResponseCompleted);
        } else {
            t.states.push_back(Inet::icError);
        }
        if (t.waiting)
            t.waiting->quit();
    }

    void cancel(Transfer &t)
    {
        if (t.easy) {
            curl_multi_remove_handle(m_multi, t.easy);
            spare(t.easy);
            t.easy = nullptr;
        }
        m_running.erase(std::remove(m_running.begin(), m_running.end(), &t), m_running.end());
    }

    const std::vector<Transfer *> &running() const { return m_running; }

    // A line of a Netscape cookies.txt file, or "RELOAD" after a file was named.
    void jar(const QByteArray &line)
    {
        curl_easy_setopt(m_jar, CURLOPT_COOKIELIST, line.constData());
    }
    void jarFile(const QByteArray &path)
    {
        curl_easy_setopt(m_jar, CURLOPT_COOKIEFILE, path.constData());
    }

    QByteArray userAgent = defaultUserAgent();
    QByteArray caFile;

    qint64 announcedSize(const Transfer &t) const
    {
        curl_off_t length = -1;
        if (t.easy)
            curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        return t.finished && t.response.ok ? t.received : qint64(length);
    }

private:
    struct Watch
    {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static int onSocket(CURL *, curl_socket_t socket, int what, void *user, void *)
    {
        static_cast<Multi *>(user)->watch(socket, what);
        return 0;
    }

    static int onTimer(CURLM *, long milliseconds, void *user)
    {
        auto *multi = static_cast<Multi *>(user);
        // libcurl must not be called from its own callback: a time-out of 0 runs from the loop.
        if (milliseconds < 0)
            multi->m_timer.stop();
        else
            multi->m_timer.start(int(std::min(milliseconds, long(INT_MAX))));
        return 0;
    }

    void watch(curl_socket_t socket, int what)
    {
        if (what == CURL_POLL_REMOVE) {
            const auto found = m_watches.find(socket);
            if (found != m_watches.end()) {
                retire(found->second.read);
                retire(found->second.write);
                m_watches.erase(found);
            }
            return;
        }
        Watch &watch = m_watches[socket];
        enable(watch.read, socket, QSocketNotifier::Read,
               what == CURL_POLL_IN || what == CURL_POLL_INOUT);
        enable(watch.write, socket, QSocketNotifier::Write,
               what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
    }

    void enable(QSocketNotifier *&notifier, curl_socket_t socket, QSocketNotifier::Type type,
                bool on)
    {
        if (!notifier && on) {
            notifier = new QSocketNotifier(socket, type, &m_inet);
            const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
            QObject::connect(notifier, &QSocketNotifier::activated, &m_inet,
                             [this, socket, events] { act(socket, events); });
        } else if (notifier) {
            notifier->setEnabled(on);
        }
    }

    // The socket may close while its own notifier is being handled: delete it afterwards.
    static void retire(QSocketNotifier *notifier)
    {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }

    void spare(CURL *easy)
    {
        if (m_spare.size() < SpareHandles) {
            curl_easy_reset(easy);
            m_spare.push_back(easy);
        } else {
            curl_easy_cleanup(easy);
        }
    }

    void act(curl_socket_t socket, int events)
    {
        int running = 0;
        curl_multi_socket_action(m_multi, socket, events, &running);
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
            Transfer *t = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &t);
            if (message->msg == CURLMSG_DONE && t) {
                t->done = true;
                t->result = message->data.result;
            }
        }
        for (Transfer *t : std::vector<Transfer *>(m_running)) {
            if (t->done) {
                finish(*t, false);
            } else if (!t->states.empty() && t->states.back() == Inet::icRequesting) {
                // libcurl counts the request once it has written it.
                long sent = 0;
                curl_easy_getinfo(t->easy, CURLINFO_REQUEST_SIZE, &sent);
                if (sent > 0)
                    t->advance(Inet::icRequestSent);
            }
        }
        if (m_inet.m_followed)
            m_inet.report(*m_inet.m_followed);
    }

    Inet &m_inet;
    CURLM *m_multi = nullptr;
    QTimer m_timer;
    std::unordered_map<curl_socket_t, Watch> m_watches;
    std::vector<Transfer *> m_running;
    std::vector<CURL *> m_spare;
    CURLSH *m_share = nullptr;
    CURL *m_jar = nullptr; // only hands cookies to the shared jar
};

InetTransfer::InetTransfer()
    : d(std::make_unique<Private>())
{}

InetTransfer::~InetTransfer()
{
    if (d->inet) {
        if (d->inet->m_followed == this)
            d->inet->m_followed = nullptr;
        if (!d->finished)
            d->inet->m_multi->cancel(*d);
    }
}

bool InetTransfer::isFinished() const
{
    return d->finished;
}

const InetResponse &InetTransfer::response() const
{
    return d->response;
}

const std::vector<Inet::State> &InetTransfer::states() const
{
    return d->states;
}

Inet::Inet(QObject *parent)
    : QObject(parent)
    , m_multi(std::make_unique<Multi>(*this))
{
    setObjectName(QStringLiteral("Inet"));
}

Inet::~Inet()
{
    // Transfers that outlive their Inet end as stopped and forget it.
    for (Transfer *t : std::vector<Transfer *>(m_multi->running())) {
        m_multi->finish(*t, true);
        t->inet = nullptr;
    }
    m_followed = nullptr;
}

void Inet::setTimeout(std::chrono::seconds timeout)
{
    configuredTimeout() = timeout;
}

std::chrono::seconds Inet::timeout()
{
    return configuredTimeout();
}

QVariant Inet::OpenURL(const QString &address, int dataType)
{
    if (dataType != icString && dataType != icByteArray)
        return {};
    const InetResponse response = fetch(address);
    if (!response.ok)
        return {};
    if (dataType == icByteArray)
        return response.bytes;
    return m_decoder ? m_decoder(response.bytes, response.contentType)
                     : QString::fromUtf8(response.bytes);
}

InetResponse Inet::fetch(const QString &address, const QByteArray &referer)
{
    return waitForResult(start(address, nullptr, referer));
}

InetResponse Inet::fetchInto(const QString &address, QIODevice &sink, const QByteArray &referer)
{
    return waitForResult(start(address, &sink, referer));
}

InetResponse Inet::waitForResult(std::unique_ptr<InetTransfer> transfer)
{
    follow(transfer.get());
    waitFor(*transfer);
    return transfer->response();
}

std::unique_ptr<InetTransfer> Inet::start(const QString &address, QIODevice *sink,
                                          const QByteArray &referer)
{
    std::unique_ptr<InetTransfer> transfer(new InetTransfer);
    Transfer &t = *transfer->d;
    t.inet = this;
    t.sink = sink;
    t.maxFileSize = m_maxFileSize;
    const QUrl url = toUrl(address);
    if (!isWebAddress(url)) {
        t.finished = true;
        t.response.failure = InetFailure::NotWebAddress;
        t.response.error = QStringLiteral("not a web address: %1").arg(address);
        t.states.push_back(icError);
        return transfer;
    }
    if (!curlLibraryLoaded()) { // an installation without libcurl: every transfer says so
        t.finished = true;
        t.response.failure = InetFailure::Other;
        t.response.error = QStringLiteral("libcurl cannot be opened");
        t.states.push_back(icError);
        return transfer;
    }
    t.advance(icResolvingHost);
    m_multi->add(t, url, long(timeout().count()), referer);
    return transfer;
}

void Inet::setUserAgent(const QByteArray &userAgent)
{
    m_multi->userAgent = userAgent;
}

void Inet::setMaxFileSize(qint64 bytes)
{
    m_maxFileSize = bytes;
}

void Inet::setCaCertificates(const QString &path)
{
    m_multi->caFile = QFile::encodeName(path);
}

namespace {
// A cookie as a line of a Netscape cookies.txt file, which keeps a cookie for one host apart from
// one for a domain and its subdomains.
QByteArray cookieLine(const InetCookie &cookie, qint64 expires)
{
    const auto flag = [](bool on) { return on ? QByteArrayLiteral("TRUE") : "FALSE"; };
    return (cookie.httpOnly ? "#HttpOnly_" : "") + cookie.domain + '\t' +
           flag(cookie.domain.startsWith('.')) + '\t' + cookie.path + '\t' + flag(cookie.secure) +
           '\t' + QByteArray::number(expires) + '\t' + cookie.name + '\t' + cookie.value;
}
} // namespace

// A cookie without a domain would go to every host: it is not taken.
void Inet::addCookie(const InetCookie &cookie)
{
    if (!cookie.domain.isEmpty())
        m_multi->jar(cookieLine(cookie, cookie.expires));
}

// libcurl drops no single cookie: one that expired long ago takes its place and is never sent.
void Inet::removeCookie(const InetCookie &cookie)
{
    m_multi->jar(cookieLine(cookie, 1));
}

bool Inet::loadCookies(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_multi->jarFile(QFile::encodeName(path));
    m_multi->jar("RELOAD");
    return true;
}

void Inet::follow(InetTransfer *transfer)
{
    m_followed = transfer;
    if (!transfer)
        return;
    transfer->d->reported = 0;
    transfer->d->reportedBytes = -1;
    report(*transfer);
}

void Inet::report(InetTransfer &transfer)
{
    Transfer &t = *transfer.d;
    // A slot may abort transfers or follow another one: each state still goes out once.
    const QPointer<Inet> self(this);
    while (self && m_followed == &transfer && t.reported < t.states.size())
        emit StateChanged(t.states[t.reported++]);
    if (self && m_followed == &transfer && t.received != t.reportedBytes) {
        t.reportedBytes = t.received;
        emit progress(t.received, m_multi->announcedSize(t));
    }
}

void Inet::waitFor(InetTransfer &transfer)
{
    Transfer &t = *transfer.d;
    if (t.finished)
        return;
    QEventLoop loop;
    t.waiting = &loop;
    loop.exec();
    t.waiting = nullptr;
    // The wait also ends when the program quits: the transfer stops here.
    if (!t.finished && t.inet) {
        m_multi->finish(t, true);
        if (m_followed == &transfer)
            report(transfer);
    }
}

void Inet::abort()
{
    for (Transfer *t : std::vector<Transfer *>(m_multi->running()))
        m_multi->finish(*t, true);
    if (m_followed)
        report(*m_followed);
}

bool Inet::busy() const
{
    return !m_multi->running().empty();
}

} // namespace kuokuo
