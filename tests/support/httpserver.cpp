#include "support/httpserver.h"

#include <httplib.h>
#include <zlib.h>

#include <condition_variable>
#include <map>
#include <mutex>
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
} // namespace

struct HttpServer::State
{
    httplib::Server server;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    std::map<QString, Reply> routes;
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
        Reply reply{404, 9, "not found", -1, "text/plain", false, {}, {}, {}};
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests << path;
            if (const auto found = routes.find(path); found != routes.end())
                reply = found->second;
            reply.delay = std::max(reply.delay, delay);
        }
        if (!wait(reply.delay))
            return;
        response.status = reply.status;
        if (!reply.location.isEmpty())
            return response.set_redirect(reply.location.toStdString(), reply.status);
        if (reply.gzip)
            response.set_header("Content-Encoding", "gzip");
        if (reply.cutAt >= 0) // a validator, as real servers give one: a browser then resumes
            response.set_header("ETag", "\"cut\"");
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
    m_port = d->server.bind_to_any_port("127.0.0.1");
    if (m_port > 0)
        d->thread = std::thread([this] { d->server.listen_after_bind(); });
    // stop() only works once the accepting loop runs.
    for (int i = 0; i < 5000 && m_port > 0 && !d->server.is_running(); ++i)
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

void HttpServer::reply(const QString &path, Reply reply)
{
    if (reply.gzip) {
        reply.body = compress(reply.body);
        if (reply.size > 0) // a short stream in a whole response
            reply.body.truncate(reply.size);
    }
    reply.size = reply.body.isEmpty() ? reply.size : reply.body.size();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->routes[path] = reply;
}

void HttpServer::delay(milliseconds delay, const QString &path)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    (path.isEmpty() ? d->delay : d->routes[path].delay) = delay;
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
