#include "support/httpserver.h"

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace kuokuo::test {

namespace {
enum class Kind { Body, Generated, Redirect, Reset, Stall, Endless };

struct Route
{
    Kind kind = Kind::Body;
    int status = 200;
    std::string contentType;
    std::string body;
    qint64 size = 0;
    qint64 sent = 0;
    std::string target;
};

constexpr size_t ChunkSize = 64 * 1024;

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
    QStringList requests;

    void handle(const httplib::Request &request, httplib::Response &response);
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
    }
    response.status = route.status;
    switch (route.kind) {
    case Kind::Body:
        response.set_content(route.body, route.contentType);
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
    case Kind::Endless:
        response.set_chunked_content_provider(route.contentType,
                                              [](size_t offset, httplib::DataSink &sink) {
                                                  char buffer[ChunkSize];
                                                  fill(buffer, qint64(offset), ChunkSize, 0);
                                                  return sink.write(buffer, ChunkSize);
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
    route.body = body.toStdString();
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

void HttpServer::stall(const QString &path)
{
    Route route;
    route.kind = Kind::Stall;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[key(path)] = route;
}

void HttpServer::endless(const QString &path)
{
    Route route;
    route.kind = Kind::Endless;
    route.contentType = "application/octet-stream";
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
