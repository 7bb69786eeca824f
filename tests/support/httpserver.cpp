#include "support/httpserver.h"

#include <QtEndian>

#include <httplib.h>
#include <zlib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace kuokuo::test {

namespace {
using std::chrono::milliseconds;
using Reply = HttpServer::Reply;

constexpr qint64 ChunkSize = 64 * 1024;

void fill(char *out, qint64 offset, qint64 length, quint32 seed)
{
    for (qint64 i = 0; i < length; ++i) {
        const quint64 at = quint64(offset + i);
        out[i] = char((at * 31 + (at >> 9) * 7 + seed) & 0xFF);
    }
}

// FNV-1a: stable across runs, unlike qHash.
quint32 seedOf(const QByteArray &path)
{
    quint32 hash = 2166136261u;
    for (const char c : path)
        hash = (hash ^ quint8(c)) * 16777619u;
    return hash;
}

// The deflate data of qCompress (after 4 bytes of length and 2 of zlib header, before 4 of
// checksum) in gzip's frame.
QByteArray gzip(const QByteArray &body)
{
    const QByteArray zlib = qCompress(body, 1);
    const quint32 trailer[] = {
        qToLittleEndian(
            quint32(crc32(0, reinterpret_cast<const Bytef *>(body.data()), uInt(body.size())))),
        qToLittleEndian(quint32(body.size()))};
    return QByteArray("\x1f\x8b\x08\0\0\0\0\0\0\xff", 10) + zlib.mid(6, zlib.size() - 10) +
           QByteArray(reinterpret_cast<const char *>(trailer), sizeof trailer);
}
} // namespace

Reply::Reply(int status, qint64 size, const QByteArray &body, qint64 cutAt, const QByteArray &type)
    : status(status)
    , size(size)
    , body(body)
    , cutAt(cutAt)
    , type(type)
{}

struct HttpServer::State
{
    httplib::Server server;
    std::thread thread;
    int port = -1;
    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    std::map<std::string, Reply> routes;
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
        Reply reply(404, 9, "not found", -1, "text/plain");
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests << QString::fromStdString(request.path);
            if (const auto found = routes.find(request.path); found != routes.end())
                reply = found->second;
        }
        if (!wait(reply.delay.count() ? reply.delay : delay))
            return;
        response.status = reply.status;
        if (!reply.location.isEmpty())
            return response.set_redirect(reply.location.toStdString(), reply.status);
        if (reply.gzip)
            response.set_header("Content-Encoding", "gzip");
        // Through a provider, which sends the bytes as they are: the server would compress text.
        const quint32 seed = seedOf(QByteArray::fromStdString(request.path));
        response.set_content_provider(
            size_t(reply.size), reply.type.toStdString(),
            [this, reply, seed](size_t offset, size_t length, httplib::DataSink &sink) {
                const qint64 at = qint64(offset), end = reply.cutAt < 0 ? reply.size : reply.cutAt;
                if (at >= end)
                    return false; // drops the connection
                const qint64 n =
                    reply.trickle.count() ? 1 : std::min({qint64(length), ChunkSize, end - at});
                QByteArray bytes = reply.body.mid(at, n);
                if (reply.body.isEmpty()) {
                    bytes.resize(n);
                    fill(bytes.data(), at, n, seed);
                }
                return sink.write(bytes.constData(), size_t(n)) && wait(reply.trickle);
            });
    }
};

HttpServer::HttpServer()
    : d(std::make_unique<State>())
{
    d->server.set_keep_alive_max_count(1000000);
    d->server.set_tcp_nodelay(true);
    // Enough threads for kept-alive connections of several clients and delayed answers.
    d->server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    d->server.Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
        d->handle(request, response);
    });
    // Listening starts here, so requests made before the thread accepts simply wait.
    d->port = d->server.bind_to_any_port("127.0.0.1");
    if (d->port > 0)
        d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() only works once the accepting loop runs.
    for (int i = 0; i < 5000 && d->port > 0 && !d->server.is_running(); ++i)
        std::this_thread::sleep_for(milliseconds(1));
}

HttpServer::~HttpServer()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopped = true;
    }
    d->stopping.notify_all();
    d->server.stop();
    if (d->thread.joinable())
        d->thread.join();
}

int HttpServer::port() const
{
    return d->port;
}

QString HttpServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(d->port).arg(path);
}

QByteArray HttpServer::content(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    fill(bytes.data(), 0, size, seed);
    return bytes;
}

QByteArray HttpServer::generatedContent(const QString &path, qint64 size)
{
    return content(size, seedOf(path.toUtf8()));
}

void HttpServer::reply(const QString &path, Reply reply)
{
    if (reply.gzip)
        reply.body = gzip(reply.body);
    reply.size = reply.body.isEmpty() ? reply.size : reply.body.size();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[path.toStdString()] = reply;
}

void HttpServer::file(const QString &path, const QByteArray &body, const QByteArray &type)
{
    reply(path, {200, 0, body, -1, type});
}

void HttpServer::generated(const QString &path, qint64 size, const QByteArray &type)
{
    reply(path, {200, size, {}, -1, type});
}

void HttpServer::reset(const QString &path, qint64 announced, qint64 sent)
{
    reply(path, {200, announced, {}, sent});
}

void HttpServer::redirect(const QString &path, const QString &target)
{
    Reply moved(302);
    moved.location = target;
    reply(path, moved);
}

void HttpServer::gzipped(const QString &path, const QByteArray &body, qint64 cutAt)
{
    Reply compressed(200, 0, body, cutAt, "text/html");
    compressed.gzip = true;
    reply(path, compressed);
}

void HttpServer::delay(milliseconds delay, const QString &path)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    (path.isEmpty() ? d->delay : d->routes[path.toStdString()].delay) = delay;
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
