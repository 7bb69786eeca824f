#include "platform/inet.h"

#include "common/logging.h"
#include "platform/contentdecoder.h"

#include <QEventLoop>
#include <QIODevice>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <climits>
#include <csignal>
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

QByteArray userAgent()
{
    return QStringLiteral("KUOKUO/%1.%2.%3")
        .arg(KUOKUO_VERSION_MAJOR)
        .arg(KUOKUO_VERSION_MINOR)
        .arg(KUOKUO_VERSION_REVISION)
        .toLatin1();
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
    QByteArray body;
    std::vector<Inet::State> states;
    size_t reported = 0;
    qint64 received = 0;
    qint64 reportedBytes = -1;
    CURLcode result = CURLE_OK;
    bool done = false; // libcurl has ended it
    bool finished = false;
    bool tooLarge = false;
    bool writeFailed = false;
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
    if (t.sink) {
        if (t.sink->write(data, length) != length) {
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
    // Every response (a redirect, the final one) brings its own coding.
    const QByteArrayView header(line, qsizetype(size * count));
    static constexpr QByteArrayView coding("content-encoding:");
    if (header.startsWith("HTTP/"))
        t.decoder.reset();
    else if (header.size() > coding.size() &&
             header.first(coding.size()).toByteArray().toLower() == coding)
        t.decoder.reset(header.sliced(coding.size()).trimmed());
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
        curl_multi_cleanup(m_multi);
        for (auto &[socket, watch] : m_watches) {
            delete watch.read;
            delete watch.write;
        }
    }

    void add(Transfer &t, const QUrl &url, long timeout)
    {
        CURL *easy = m_spare.empty() ? curl_easy_init() : m_spare.back();
        if (!m_spare.empty())
            m_spare.pop_back();
        t.easy = easy;
        const bool secure = url.scheme().toLower() == QLatin1String("https");
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
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MaxRedirects);
        // The body is decoded here, where a cut-off compressed stream shows.
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ContentDecoder::Accepted);
        curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, m_userAgent.constData());
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
        cancel(t);
        response.size = t.received;
        if (asFailure) {
            response.error = QStringLiteral("the transfer was stopped");
        } else if (t.tooLarge) {
            response.error =
                QStringLiteral("the body is larger than %1 MiB").arg(Inet::MaxBodySize >> 20);
        } else if (t.writeFailed) {
            response.error = QStringLiteral("the file could not be written");
        } else if (!t.decoder.error().isEmpty()) {
            response.error = t.decoder.error();
        } else if (t.result == CURLE_OPERATION_TIMEDOUT) {
            response.error = QStringLiteral("no progress for %1 s").arg(seconds(timeout()));
        } else if (t.result != CURLE_OK) {
            response.error =
                QString::fromUtf8(t.errorText[0] ? t.errorText : curl_easy_strerror(t.result));
        } else if (!t.decoder.complete()) {
            response.error = QStringLiteral("the compressed body is cut short");
        } else {
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
    const QByteArray m_userAgent = userAgent();
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

InetResponse Inet::fetch(const QString &address)
{
    return waitForResult(start(address, nullptr));
}

InetResponse Inet::fetchInto(const QString &address, QIODevice &sink)
{
    return waitForResult(start(address, &sink));
}

InetResponse Inet::waitForResult(std::unique_ptr<InetTransfer> transfer)
{
    follow(transfer.get());
    waitFor(*transfer);
    return transfer->response();
}

std::unique_ptr<InetTransfer> Inet::start(const QString &address, QIODevice *sink)
{
    std::unique_ptr<InetTransfer> transfer(new InetTransfer);
    Transfer &t = *transfer->d;
    t.inet = this;
    t.sink = sink;
    const QUrl url = toUrl(address);
    if (!isWebAddress(url)) {
        t.finished = true;
        t.response.error = QStringLiteral("not a web address: %1").arg(address);
        t.states.push_back(icError);
        return transfer;
    }
    t.advance(icResolvingHost);
    m_multi->add(t, url, long(timeout().count()));
    return transfer;
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
