#include "support/httpserver.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QTemporaryDir>

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <zlib.h>

#include <condition_variable>
#include <csignal>
#include <map>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace kuokuo::test {

namespace {
using std::chrono::milliseconds;

// `length` bytes from `offset` on of the endless sequence that `seed` starts.
QByteArray generate(qint64 offset, qint64 length, quint64 seed)
{
    QByteArray bytes(length, Qt::Uninitialized);
    char *out = bytes.data();
    for (quint64 at = quint64(offset); at < quint64(offset + length); ++at)
        *out++ = char((at * 31 + (at >> 9) * 7 + seed) & 0xFF);
    return bytes;
}

// Certificates made with OpenSSL when a run first needs them, so that none expires in the
// repository. Each holds the key it was made for; an authority signs the others.
struct Certificate
{
    EVP_PKEY *key = EVP_EC_gen("P-256");
    X509 *x509 = X509_new();

    // Valid from `from` to `to` days from now; self-signed when there is no `issuer`.
    Certificate(const char *name, const char *altNames, long from, long to,
                const Certificate *issuer = nullptr)
    {
        static long serial = long(QDateTime::currentMSecsSinceEpoch() / 1000);
        X509_set_version(x509, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(x509), ++serial);
        X509_gmtime_adj(X509_getm_notBefore(x509), from * 86400);
        X509_gmtime_adj(X509_getm_notAfter(x509), to * 86400);
        X509_set_pubkey(x509, key);
        X509_NAME_add_entry_by_txt(X509_get_subject_name(x509), "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char *>(name), -1, -1, 0);
        const Certificate &signer = issuer ? *issuer : *this;
        X509_set_issuer_name(x509, X509_get_subject_name(signer.x509));
        X509V3_CTX context;
        X509V3_set_ctx(&context, signer.x509, x509, nullptr, nullptr, 0);
        const std::pair<const char *, const char *> extensions[] = {
            {"basicConstraints", issuer ? "critical,CA:FALSE" : "critical,CA:TRUE"},
            {"keyUsage", issuer ? "critical,digitalSignature" : "critical,keyCertSign"},
            {issuer ? "extendedKeyUsage" : "subjectKeyIdentifier", issuer ? "serverAuth" : "hash"},
            {"subjectAltName", altNames}};
        for (const auto &[extension, value] : extensions) {
            if (!value)
                continue;
            X509_EXTENSION *made = X509V3_EXT_nconf(nullptr, &context, extension, value);
            X509_add_ext(x509, made, -1);
            X509_EXTENSION_free(made);
        }
        X509_sign(x509, signer.key, EVP_sha256());
    }
};

const Certificate &authority()
{
    static const Certificate made("KUOKUO test authority", nullptr, -1, 2);
    return made;
}

// The certificate a server of that kind presents.
const Certificate &certificate(HttpServer::Tls tls)
{
    constexpr const char *Local = "IP:127.0.0.1,DNS:localhost";
    static const Certificate stranger("Unknown test authority", nullptr, -1, 2);
    static const Certificate made[] = {{"127.0.0.1", Local, -1, 1, &authority()},
                                       {"other.example", "DNS:other.example", -1, 1, &authority()},
                                       {"127.0.0.1", Local, -3, -1, &authority()},
                                       {"127.0.0.1", Local, -1, 1, &stranger}};
    return made[std::max(0, int(tls) - 1)]; // Good, OtherName, Expired, UnknownAuthority
}
// "Name: value" as its two parts.
std::pair<std::string, std::string> header(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return {};
    return {line.first(colon).toStdString(), line.sliced(colon + 1).trimmed().toStdString()};
}
} // namespace

struct HttpServer::State
{
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    std::map<QString, QList<Reply>> routes;
    std::map<QString, QByteArray> logins;
    milliseconds delay{0};
    QStringList requests;

    // Waits, unless the server stops first; false when it stops.
    bool wait(milliseconds time)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return !stopping.wait_for(lock, time, [this] { return stopped; });
    }

    void handle(const httplib::Request &request, httplib::Response &response)
    {
        const QString path = QString::fromStdString(request.path);
        Reply reply{404, 9, "not found", -1, "text/plain", false, {}, {}, {}, {}, {}};
        QByteArray login;
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests << path;
            if (const auto found = routes.find(path); found != routes.end())
                reply = found->second.size() > 1 ? found->second.takeFirst() : found->second[0];
            reply.delay = std::max(reply.delay, delay);
            login = logins[path];
        }
        if (!wait(reply.delay))
            return;
        const auto [name, value] = header(reply.needs);
        if (!name.empty() && request.get_header_value(name) != value)
            reply = {403, 9, "forbidden", -1, "text/plain", false, {}, {}, {}, {}, {}};
        if (!login.isEmpty() && request.get_header_value("Authorization") !=
                                    "Basic " + login.toBase64().toStdString()) {
            response.set_header("WWW-Authenticate", "Basic realm=\"KUOKUO\"");
            reply = {401, 18, "<title>401</title>", -1, "text/html", false, {}, {}, {}, {}, {}};
        }
        response.status = reply.status;
        if (reply.gzip) // a redirect too may say so
            response.set_header("Content-Encoding", "gzip");
        if (reply.cutAt >= 0) // a validator, as real servers give one: a browser then resumes
            response.set_header("ETag", "\"cut\"");
        if (const auto [name, value] = header(reply.header); !name.empty())
            response.set_header(name, value);
        if (!reply.location.isEmpty())
            return response.set_redirect(reply.location.toStdString(), reply.status);
        if (reply.size < 0)
            return response.set_chunked_content_provider(
                reply.type.toStdString(),
                [this, seed = qHash(path)](size_t offset, httplib::DataSink &sink) {
                    const QByteArray bytes = generate(qint64(offset), 64 * 1024, seed);
                    return sink.write(bytes.constData(), size_t(bytes.size())) &&
                           wait(milliseconds(0));
                });
        // Through a provider, which sends the bytes as they are: the server would compress text.
        response.set_content_provider(
            size_t(reply.size), reply.type.toStdString(),
            [this, reply, seed = qHash(path)](size_t offset, size_t, httplib::DataSink &sink) {
                const qint64 at = qint64(offset), end = reply.cutAt < 0 ? reply.size : reply.cutAt;
                if (at >= end)
                    return false; // drops the connection
                const qint64 n = reply.trickle.count() ? 1 : std::min<qint64>(64 * 1024, end - at);
                const QByteArray bytes =
                    reply.body.isEmpty() ? generate(at, n, seed) : reply.body.mid(at, n);
                return sink.write(bytes.constData(), size_t(n)) && wait(reply.trickle);
            });
    }
};

HttpServer::HttpServer(Tls tls)
    : d(std::make_unique<State>())
{
    if (tls == Tls::None) {
        d->server = std::make_unique<httplib::Server>();
    } else {
        const Certificate &presented = certificate(tls);
        d->server = std::make_unique<httplib::SSLServer>(presented.x509, presented.key);
        m_scheme = QStringLiteral("https");
    }
    httplib::Server &server = *d->server;
    server.set_keep_alive_max_count(1000000);
    server.set_tcp_nodelay(true);
    // Enough threads for kept-alive connections of several clients and delayed answers.
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
        d->handle(request, response);
    });
    // Listening starts here, so requests made before the thread accepts simply wait.
    m_port = server.is_valid() ? server.bind_to_any_port("127.0.0.1") : -1;
    if (m_port > 0)
        d->thread = std::thread([&server] {
            // A client that hangs up during a TLS write must not end the test: OpenSSL writes
            // without MSG_NOSIGNAL. The threads that answer are made here and keep this mask.
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
            server.listen_after_bind();
        });
    // stop() only works once the accepting loop runs.
    for (int i = 0; i < 5000 && m_port > 0 && !server.is_running(); ++i)
        std::this_thread::sleep_for(milliseconds(1));
}

QString HttpServer::authorityFile()
{
    static const QTemporaryDir folder;
    static const QString path = [] {
        const QString file = QDir(folder.path()).filePath(QStringLiteral("authority.pem"));
        BIO *out = BIO_new_file(QFile::encodeName(file).constData(), "w");
        PEM_write_bio_X509(out, authority().x509);
        BIO_free(out);
        return file;
    }();
    return path;
}

HttpServer::~HttpServer()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopped = true;
    }
    d->stopping.notify_all();
    d->server->stop();
    if (d->thread.joinable())
        d->thread.join();
}

QByteArray HttpServer::content(qint64 size, quint32 seed)
{
    return generate(0, size, seed);
}

// qHash without a seed of its own gives a path the same number in every run.
QByteArray HttpServer::generatedContent(const QString &path, qint64 size)
{
    return generate(0, size, qHash(path));
}

QByteArray HttpServer::compress(QByteArrayView data, int windowBits)
{
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), 0);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

void HttpServer::answers(const QString &path, const QList<Reply> &replies)
{
    QList<Reply> prepared;
    for (Reply reply : replies) {
        if (reply.gzip) {
            reply.body = compress(reply.body);
            if (reply.size > 0) // a short stream in a whole response
                reply.body.truncate(reply.size);
        }
        reply.size = reply.body.isEmpty() ? reply.size : reply.body.size();
        prepared << reply;
    }
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[path] = prepared;
}

void HttpServer::serve(const QString &path, const QString &described, const QByteArray &referer)
{
    QList<Reply> replies;
    for (QString what : described.split(QLatin1Char(','))) {
        Reply reply;
        for (; !what.isEmpty() && QStringLiteral("gsk").contains(what[0]); what.remove(0, 1)) {
            if (what[0] == 's')
                reply.header = "Set-Cookie: sid=abc";
            else
                reply.needs = what[0] == 'g' ? "Referer: " + referer : "Cookie: sid=abc";
        }
        const QChar kind = what.isEmpty() ? QChar() : what[0];
        reply.status = kind == 'e' ? what.mid(1).toInt()
                                   : QHash<QChar, int>{{'b', 503}, {'t', 429}}.value(kind, 200);
        reply.size = what.toInt() ? what.toInt() : 4000;
        reply.cutAt = what == "R" ? 2000 : what == "Z" ? 0 : -1;
        reply.location = kind == '>' ? what.mid(1) : QString();
        const QDateTime date = QDateTime::currentDateTimeUtc().addSecs(what == "t+" ? 120 : -120);
        const QString httpDate = QLocale::c().toString(date, "ddd, dd MMM yyyy HH:mm:ss 'GMT'");
        if (kind == 'b' || kind == 't')
            reply.header = "Retry-After: " + (kind == 'b' ? what.mid(1) : httpDate).toLatin1();
        if (kind == 'h' || kind == 'u') {
            reply.body = (kind == 'u' ? "\xEF\xBB\xBF \r\n<HTML><p>" : "<!DOCTYPE html><p>") +
                         QByteArray(5000, 'x');
            reply.type = kind == 'u' ? "" : "text/html; charset=utf-8";
        }
        replies << reply;
    }
    answers(path, replies);
}

void HttpServer::guard(const QString &path, const QByteArray &login)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->logins[path] = login;
}

void HttpServer::delay(milliseconds delay, const QString &path)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (path.isEmpty())
        d->delay = delay;
    else
        for (Reply &reply : d->routes[path])
            reply.delay = delay;
}

QStringList HttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests;
}

void HttpServer::clearRequests()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->requests.clear();
}

} // namespace kuokuo::test
