#include "support/httpserver.h"

#include <httplib.h>
#include <zlib.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace kuokuo::test {

namespace {
enum class Kind { Body, Generated, Redirect, Reset, Stall, Trickle };

struct Route
{
    Kind kind = Kind::Body;
    int status = 200;
    std::string contentType;
    // Shared, as every request copies its route.
    std::shared_ptr<const std::string> body = std::make_shared<const std::string>();
    qint64 size = 0;
    qint64 sent = -1; // sent before the connection closes; -1 sends it whole
    std::string target;
    std::string encoding;
    std::chrono::milliseconds delay{0};
    std::chrono::milliseconds interval{0}; // between the bytes of a trickle
};

constexpr size_t ChunkSize = 64 * 1024;
// Enough threads for kept-alive connections of several clients and delayed answers.
constexpr size_t Threads = 32;

std::string gzip(const QByteArray &body)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, uLong(body.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData()));
    stream.avail_in = uInt(body.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void fill(char *out, qint64 offset, size_t length, quint32 seed)
{
    for (size_t i = 0; i < length; ++i) {
        const quint64 at = quint64(offset) + i;
        out[i] = char((at * 31 + (at >> 9) * 7 + seed) & 0xFF);
    }
}

// FNV-1a: stable across runs, unlike qHash.
quint32 seedOf(const QString &path)
{
    quint32 hash = 2166136261u;
    for (const char c : path.toUtf8()) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash;
}

std::string key(const QString &path)
{
    return path.toStdString();
}
} // namespace

struct HttpServer::State
{
    httplib::Server server;
    std::thread thread;
    int port = -1;

    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    std::map<std::string, Route> routes;
    std::chrono::milliseconds delay{0};
    QStringList requests;

    void handle(const httplib::Request &request, httplib::Response &response);
    // Waits, unless the server stops first; false when it stops.
    bool wait(std::chrono::milliseconds time)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return !stopping.wait_for(lock, time, [this] { return stopped; });
    }
};

void HttpServer::State::handle(const httplib::Request &request, httplib::Response &response)
{
    Route route;
    {
        std::unique_lock<std::mutex> lock(mutex);
        requests << QString::fromStdString(request.path);
        const auto found = routes.find(request.path);
        if (found == routes.end()) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        route = found->second;
        if (route.kind == Kind::Stall) {
            stopping.wait(lock, [this] { return stopped; });
            response.status = 503;
            return;
        }
        if (route.delay.count() == 0)
            route.delay = delay;
    }
    if (route.delay.count() > 0 && !wait(route.delay))
        return;
    response.status = route.status;
    switch (route.kind) {
    case Kind::Body:
        if (!route.encoding.empty()) {
            if (request.get_header_value("Accept-Encoding").find(route.encoding) ==
                std::string::npos) {
                response.status = 406;
                return;
            }
            response.set_header("Content-Encoding", route.encoding);
        }
        if (route.body->empty()) {
            response.set_content(std::string(), route.contentType);
            break;
        }
        // Through a provider, which the server sends as it is: it would compress a text body
        // on the way, and at its slowest setting, for clients that accept Brotli.
        response.set_content_provider(
            route.body->size(), route.contentType,
            [body = route.body, end = route.sent < 0 ? route.body->size() : size_t(route.sent)](
                size_t offset, size_t length, httplib::DataSink &sink) {
                if (offset >= end)
                    return false; // drops the connection
                return sink.write(body->data() + offset, std::min(length, end - offset));
            });
        break;
    case Kind::Generated: {
        const quint32 seed = seedOf(QString::fromStdString(request.path));
        response.set_content_provider(
            size_t(route.size), route.contentType,
            [seed](size_t offset, size_t length, httplib::DataSink &sink) {
                char buffer[ChunkSize];
                const size_t n = std::min(length, ChunkSize);
                fill(buffer, qint64(offset), n, seed);
                return sink.write(buffer, n);
            });
        break;
    }
    case Kind::Redirect:
        response.set_redirect(route.target, route.status);
        break;
    case Kind::Reset: {
        const qint64 sent = route.sent;
        response.set_content_provider(
            size_t(route.size), route.contentType,
            [sent](size_t offset, size_t length, httplib::DataSink &sink) {
                if (qint64(offset) >= sent)
                    return false; // drops the connection
                char buffer[ChunkSize];
                const size_t n = std::min({length, ChunkSize, size_t(sent - qint64(offset))});
                fill(buffer, qint64(offset), n, 0);
                return sink.write(buffer, n);
            });
        break;
    }
    case Kind::Trickle:
        response.set_content_provider(size_t(route.size), route.contentType,
                                      [this, route](size_t, size_t, httplib::DataSink &sink) {
                                          return sink.write("x", 1) && wait(route.interval);
                                      });
        break;
    case Kind::Stall:
        break;
    }
}

HttpServer::HttpServer()
    : d(std::make_unique<State>())
{
    d->server.set_keep_alive_max_count(1000000);
    d->server.set_keep_alive_timeout(2);
    d->server.set_tcp_nodelay(true);
    d->server.new_task_queue = [] { return new httplib::ThreadPool(Threads); };
    d->server.Get(".*", [this](const httplib::Request &request, httplib::Response &response) {
        d->handle(request, response);
    });
    // Listening starts here, so requests made before the thread accepts simply wait.
    d->port = d->server.bind_to_any_port("127.0.0.1");
    if (d->port <= 0)
        return;
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() only works once the accepting loop runs.
    for (int i = 0; i < 5000 && !d->server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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

bool HttpServer::isRunning() const
{
    return d->port > 0;
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
    fill(bytes.data(), 0, size_t(size), seed);
    return bytes;
}

QByteArray HttpServer::generatedContent(const QString &path, qint64 size)
{
    return content(size, seedOf(path));
}

void HttpServer::file(const QString &path, const QByteArray &body, const QByteArray &contentType,
                      int status)
{
    Route route;
    route.status = status;
    route.contentType = contentType.toStdString();
    route.body = std::make_shared<const std::string>(body.toStdString());
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::generated(const QString &path, qint64 size, const QByteArray &contentType)
{
    Route route;
    route.kind = Kind::Generated;
    route.contentType = contentType.toStdString();
    route.size = size;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::status(const QString &path, int status, qint64 bodySize)
{
    const QByteArray page = "<html><body>" + QByteArray(bodySize, 'e') + "</body></html>";
    file(path, page.first(bodySize), "text/html", status);
}

void HttpServer::redirect(const QString &path, const QString &target, int status)
{
    Route route;
    route.kind = Kind::Redirect;
    route.status = status;
    route.target = target.toStdString();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::reset(const QString &path, qint64 announced, qint64 sent)
{
    Route route;
    route.kind = Kind::Reset;
    route.contentType = "image/jpeg";
    route.size = announced;
    route.sent = sent;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::gzipped(const QString &path, const QByteArray &body, qint64 cutAt,
                         const QByteArray &contentType)
{
    Route route;
    route.contentType = contentType.toStdString();
    route.body = std::make_shared<const std::string>(gzip(body));
    route.encoding = "gzip";
    route.sent = cutAt;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::trickle(const QString &path, std::chrono::milliseconds interval)
{
    Route route;
    route.kind = Kind::Trickle;
    route.contentType = "image/jpeg";
    route.size = 100000;
    route.interval = interval;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::delay(std::chrono::milliseconds delay, const QString &path)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (path.isEmpty())
        d->delay = delay;
    else if (const auto found = d->routes.find(key(path)); found != d->routes.end())
        found->second.delay = delay;
}

void HttpServer::stall(const QString &path)
{
    Route route;
    route.kind = Kind::Stall;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::remove(const QString &path)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes.erase(key(path));
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
