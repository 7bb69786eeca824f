#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

namespace kuokuo::test {

// An HTTP server on 127.0.0.1 with a free port, running on its own threads for the lifetime of
// the object. It serves what a test or benchmark gives it, keeps connections alive, and injects
// the faults a download must survive.
class HttpServer
{
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    bool isRunning() const;
    int port() const;
    // "http://127.0.0.1:port" followed by `path`.
    QString url(const QString &path = QStringLiteral("/")) const;

    // Deterministic, varied bytes: the same size and seed always give the same bytes.
    static QByteArray content(qint64 size, quint32 seed = 0);
    // The bytes `generated` serves for `path`.
    static QByteArray generatedContent(const QString &path, qint64 size);

    // `body` with the given status and type.
    void file(const QString &path, const QByteArray &body,
              const QByteArray &contentType = "image/jpeg", int status = 200);
    // `size` bytes of generatedContent, produced while sending: any size costs no memory.
    void generated(const QString &path, qint64 size, const QByteArray &contentType = "image/jpeg");
    // An error status with a body of `bodySize` bytes (an error page).
    void status(const QString &path, int status, qint64 bodySize);
    void redirect(const QString &path, const QString &target, int status = 302);
    // Announces `announced` bytes, sends the first `sent` of them and closes the connection.
    void reset(const QString &path, qint64 announced, qint64 sent);
    // `body` gzip-compressed (for a client that accepts gzip), sent whole or, with `cutAt`,
    // only its first `cutAt` compressed bytes before the connection closes.
    void gzipped(const QString &path, const QByteArray &body, qint64 cutAt = -1,
                 const QByteArray &contentType = "text/html");
    // Announces a body and sends one byte of it every `interval`.
    void trickle(const QString &path, std::chrono::milliseconds interval);
    // Takes the request and never answers while the server runs.
    void stall(const QString &path);
    void remove(const QString &path);
    // Every answer to `path` (every answer, for an empty path) waits `delay` first.
    void delay(std::chrono::milliseconds delay, const QString &path = QString());

    // Every path asked for, in order; a path nothing was put under gets a short 404.
    QStringList requests() const;
    void clearRequests();

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace kuokuo::test
