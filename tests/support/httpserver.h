#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

namespace kuokuo::test {

// An HTTP server on 127.0.0.1 with a free port, running on its own threads for the lifetime of
// the object. It serves what a test or benchmark gives it, keeps connections alive, records
// every path asked for, and injects the faults a download must survive. A path nothing was put
// under gets a short 404.
class HttpServer
{
public:
    // Plain HTTP, or HTTPS with a certificate of the test run's own authority (authorityFile) for
    // 127.0.0.1 and localhost, one of that authority for another name only, an expired one for
    // 127.0.0.1 and localhost, or one for them from an authority nobody knows.
    enum class Tls { None, Good, OtherName, Expired, UnknownAuthority };

    // What a path answers: `size` bytes (announced in Content-Length) of `body`, or of
    // generatedContent when there is no body; the connection closes after the first `cutAt` of
    // them unless that is -1; `body` gzip-compressed when `gzip` (`cutAt` then counts compressed
    // bytes, and a `size` keeps only so many of them); one byte every `trickle`; a redirect to
    // `location` (302 unless `status` is another redirect); one more header line `header`. A
    // request without the header line `needs` gets 403 instead. Every answer waits `delay`
    // first, or while the server runs, when that is longer.
    struct Reply
    {
        int status = 200;
        qint64 size = 0; // the body's own size when there is one; -1: endless, chunked
        QByteArray body;
        qint64 cutAt = -1;
        QByteArray type = "image/jpeg";
        bool gzip = false;
        QString location;
        std::chrono::milliseconds trickle{0};
        std::chrono::milliseconds delay{0};
        QByteArray header; // "Name: value"
        QByteArray needs;  // "Name: value"
    };

    explicit HttpServer(Tls tls = Tls::None);
    ~HttpServer();

    // "http://127.0.0.1:port" (https for a TLS server) followed by `path`.
    QString url(const QString &path = QStringLiteral("/")) const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_scheme).arg(m_port).arg(path);
    }
    // The PEM file of the certificate authority made for this run, for a client to trust
    // (curl's --cacert). It lasts as long as the process.
    static QString authorityFile();
    // Deterministic, varied bytes: the same size and seed always give the same bytes.
    static QByteArray content(qint64 size, quint32 seed = 0);
    // The bytes a reply without a body sends for `path`.
    static QByteArray generatedContent(const QString &path, qint64 size);
    // `data` compressed in zlib's frame for these window bits: gzip 31, zlib 15, none -15.
    static QByteArray compress(QByteArrayView data, int windowBits = 31);

    void reply(const QString &path, Reply reply) { answers(path, {reply}); }
    // Each request of `path` gets the next of `replies`; the last one stays.
    void answers(const QString &path, const QList<Reply> &replies);
    // The same, written short, each answer after a ",": that many bytes; "eN" the status N with
    // 4000 bytes; "R" 4000 bytes cut off at 2000, "Z" at 0; ">path" a redirect; "h" a web page,
    // "u" one without a type; "bN" 503 after N s, "t+", "t-" 429 after a date two minutes ahead
    // or behind. Before the bytes: "g" only with the Referer `referer`, "s" sets a cookie, "k"
    // only with it.
    void serve(const QString &path, const QString &described, const QByteArray &referer = {});
    void file(const QString &path, const QByteArray &body, const QByteArray &type = "image/jpeg")
    {
        reply(path, {200, 0, body, -1, type, false, {}, {}, {}, {}, {}});
    }
    // `size` bytes of generatedContent, produced while sending: any size costs no memory.
    void generated(const QString &path, qint64 size, const QByteArray &type = "image/jpeg")
    {
        reply(path, {200, size, {}, -1, type, false, {}, {}, {}, {}, {}});
    }
    // Announces `announced` bytes, sends the first `sent` of them and closes the connection.
    void reset(const QString &path, qint64 announced, qint64 sent)
    {
        reply(path, {200, announced, {}, sent, "image/jpeg", false, {}, {}, {}, {}, {}});
    }
    // Answers `path` only to a request that logs in as `login` ("name:password"); others get
    // 401 with a Basic challenge for the realm "KUOKUO".
    void guard(const QString &path, const QByteArray &login);
    // Every answer to `path` (to every path, for an empty one) waits `delay` first; an answer with
    // a delay of its own and the server's waits the longer.
    void delay(std::chrono::milliseconds delay, const QString &path = QString());

    QStringList requests() const;
    void clearRequests();

private:
    struct State;
    std::unique_ptr<State> d;
    QString m_scheme = QStringLiteral("http");
    int m_port = -1;
};

} // namespace kuokuo::test
