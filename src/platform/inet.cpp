#include "platform/inet.h"

#include "download/pagetext.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace kuokuo {

namespace {
// How much of a streamed body may wait in memory before the connection is told to pause.
constexpr qint64 StreamBufferSize = 1024 * 1024;
constexpr int MaxRedirects = 20;

std::chrono::milliseconds &configuredTimeout()
{
    static std::chrono::milliseconds timeout = Inet::DefaultTimeout;
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

// Only web addresses are fetched: a page must not make the program copy local files.
bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// Errors of the connection itself, as opposed to an HTTP error status, which comes with a body.
bool transportFailed(QNetworkReply::NetworkError error)
{
    return (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
}

// A body shorter than its announced length was cut off (unless the server compressed it, in
// which case the length counts the compressed bytes).
bool lengthMatches(const QNetworkReply &reply, qint64 received)
{
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid())
        return true;
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return true;
    return length.toLongLong() == received;
}

QString seconds(std::chrono::milliseconds timeout)
{
    return QString::number(timeout.count() / 1000.0, 'g', 3);
}
} // namespace

Inet::Inet(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("Inet"));
}

Inet::~Inet()
{
    abort();
    cancelPrefetch();
}

QNetworkAccessManager &Inet::manager()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return *manager;
}

void Inet::setTimeout(std::chrono::milliseconds timeout)
{
    configuredTimeout() = timeout;
}

std::chrono::milliseconds Inet::timeout()
{
    return configuredTimeout();
}

QVariant Inet::OpenURL(const QString &address, int dataType)
{
    const InetResponse response = fetch(address, dataType);
    if (!response.ok)
        return {};
    if (dataType == icString)
        return response.text;
    return response.bytes;
}

InetResponse Inet::fetch(const QString &address, int dataType)
{
    if (dataType != icString && dataType != icByteArray) {
        InetResponse response;
        response.error = QStringLiteral("unknown data type %1").arg(dataType);
        return response;
    }
    return run(address, dataType, nullptr);
}

InetResponse Inet::fetchInto(const QString &address, QIODevice &sink)
{
    return run(address, icByteArray, &sink);
}

void Inet::prefetch(const QString &address)
{
    cancelPrefetch();
    const QUrl url = toUrl(address);
    if (busy() || !isWebAddress(url))
        return;
    m_prefetched = get(url, true);
    m_prefetchedUrl = url;
}

void Inet::cancelPrefetch()
{
    if (m_prefetched) {
        m_prefetched->abort();
        delete m_prefetched;
    }
    m_prefetchedUrl.clear();
}

QNetworkReply *Inet::takePrefetched(const QUrl &url)
{
    QNetworkReply *reply = m_prefetched;
    if (reply && m_prefetchedUrl == url) {
        m_prefetched.clear();
        m_prefetchedUrl.clear();
        return reply;
    }
    cancelPrefetch();
    return nullptr;
}

QNetworkReply *Inet::get(const QUrl &url, bool streamed)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(static_cast<int>(timeout().count()));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("KUOKUO/%1.%2.%3")
                                                            .arg(KUOKUO_VERSION_MAJOR)
                                                            .arg(KUOKUO_VERSION_MINOR)
                                                            .arg(KUOKUO_VERSION_REVISION));
    QNetworkReply *reply = manager().get(request);
    if (streamed)
        reply->setReadBufferSize(StreamBufferSize);
    return reply;
}

void Inet::abort()
{
    cancelPrefetch();
    if (m_reply) {
        m_aborted = true;
        m_reply->abort();
    }
}

InetResponse Inet::run(const QString &address, int dataType, QIODevice *sink)
{
    InetResponse response;
    if (busy()) {
        response.error = QStringLiteral("another transfer is running");
        return response;
    }
    const QUrl url = toUrl(address);
    if (!isWebAddress(url)) {
        response.error = QStringLiteral("not a web address: %1").arg(address);
        emit StateChanged(11);
        return response;
    }

    m_aborted = false;
    emit StateChanged(1);
    QNetworkReply *reply = sink ? takePrefetched(url) : nullptr;
    if (!reply) {
        cancelPrefetch();
        reply = get(url, sink != nullptr);
    }
    m_reply = reply;

    QByteArray body;
    qint64 received = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    bool headersSeen = false;
    const auto failed = [&] { return m_aborted || tooLarge || writeFailed; };
    const auto drain = [&] {
        if (failed() || !reply->isOpen())
            return;
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty())
            return;
        received += chunk.size();
        if (sink) {
            writeFailed = sink->write(chunk) != chunk.size();
        } else if (body.size() + chunk.size() > MaxBodySize) {
            tooLarge = true;
        } else {
            body.append(chunk);
        }
        if (failed())
            reply->abort();
    };

    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] {
        emit StateChanged(2);
        emit StateChanged(3);
    });
    connect(reply, &QNetworkReply::requestSent, this, [this] {
        emit StateChanged(4);
        emit StateChanged(5);
        emit StateChanged(6);
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [&] {
        if (!headersSeen) {
            headersSeen = true;
            emit StateChanged(7);
        }
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!sink && length.isValid() && length.toLongLong() > MaxBodySize) {
            tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, drain);
    // A transfer started ahead may already have its headers.
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        headersSeen = true;
        emit StateChanged(7);
    }
    // Its buffer may be full already, and a full buffer sends no further readyRead.
    drain();
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 done, qint64 total) { emit progress(done, total); });

    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // The wait also ends when the program ends: the transfer then stops here.
    if (!reply->isFinished()) {
        m_aborted = true;
        reply->abort();
    }
    drain();

    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.url = reply->url();
    response.contentType = reply->rawHeader("Content-Type");
    response.size = received;
    const QNetworkReply::NetworkError error = reply->error();
    if (m_aborted) {
        response.error = QStringLiteral("the transfer was stopped");
    } else if (tooLarge) {
        response.error = QStringLiteral("the body is larger than %1 MiB").arg(MaxBodySize >> 20);
    } else if (writeFailed) {
        response.error = QStringLiteral("the file could not be written");
    } else if (error == QNetworkReply::OperationCanceledError ||
               error == QNetworkReply::TimeoutError) {
        response.error = QStringLiteral("no progress for %1 s").arg(seconds(timeout()));
    } else if (response.status <= 0 || transportFailed(error)) {
        response.error = reply->errorString();
    } else if (!lengthMatches(*reply, received)) {
        response.error = QStringLiteral("the connection ended before the whole body arrived");
    } else {
        response.ok = true;
    }
    if (response.ok && !sink) {
        if (dataType == icString)
            response.text = decodePage(body, response.contentType);
        else
            response.bytes = body;
    }

    delete reply;
    emit StateChanged(response.ok ? 8 : 11);
    if (response.ok)
        emit StateChanged(12);
    return response;
}

} // namespace kuokuo
