#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <chrono>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

namespace kuokuo {

// What one transfer brought back.
struct InetResponse
{
    // A whole response arrived, whatever its status; false when no body could be obtained.
    bool ok = false;
    int status = 0;         // HTTP status
    QUrl url;               // the address that answered, after redirects
    QByteArray contentType; // the Content-Type header
    qint64 size = 0;        // bytes of the body
    QString text;           // data type 0
    QByteArray bytes;       // data type 1, when the body is kept in memory
    QString error;          // why it failed, in plain words
};

// The Internet transfer of the download window (and of kuokuo-dl): one address at a time over
// the program's one network access manager, which keeps connections alive between fetches.
// A fetch waits in a nested event loop, so that the window keeps handling its events (the Abort
// buttons, the state messages) while the transfer runs.
class Inet : public QObject
{
    Q_OBJECT
public:
    enum DataType { icString = 0, icByteArray = 1 };

    // A page, or a body kept in memory, may not be larger than this.
    static constexpr qint64 MaxBodySize = 64 * 1024 * 1024;
    // No progress for this long makes a transfer fail.
    static constexpr std::chrono::milliseconds DefaultTimeout{30000};

    explicit Inet(QObject *parent = nullptr);
    ~Inet() override;

    // The body of `address`: data type 0 as text (decoded by the page's charset), 1 as bytes.
    // A null value when no body could be obtained.
    QVariant OpenURL(const QString &address, int dataType = icString);

    // The same, telling everything a caller may need (status, final address, size).
    InetResponse fetch(const QString &address, int dataType);
    // Streams the body into `sink` instead of memory, whatever its size. A failing write fails
    // the transfer.
    InetResponse fetchInto(const QString &address, QIODevice &sink);

    // Starts fetching `address` ahead of the `fetchInto` that will ask for it, so that the
    // request travels while the caller still writes the previous file. The body waits in a
    // bounded buffer until then. Any other fetch, or `cancelPrefetch`, drops it unread.
    void prefetch(const QString &address);
    void cancelPrefetch();

    // Ends the running transfer as a failure.
    void abort();
    bool busy() const { return !m_reply.isNull(); }

    // Tests shorten the time-out; the program keeps DefaultTimeout.
    static void setTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds timeout();

    // The program's one network access manager.
    static QNetworkAccessManager &manager();

Q_SIGNALS:
    // The state numbers of the transfer: 1 at the start, 2 and 3 when a connection is being
    // made, 4, 5 and 6 when the request goes out, 7 when the response headers arrive, 8 and 12
    // at a good end, 11 on an error.
    void StateChanged(qint16 State);
    // Bytes of the body received so far, and the whole size when the server told it (else -1).
    void progress(qint64 received, qint64 total);

private:
    InetResponse run(const QString &address, int dataType, QIODevice *sink);
    QNetworkReply *get(const QUrl &url, bool streamed);
    QNetworkReply *takePrefetched(const QUrl &url);

    QPointer<QNetworkReply> m_reply;
    QPointer<QNetworkReply> m_prefetched;
    QUrl m_prefetchedUrl;
    bool m_aborted = false;
};

} // namespace kuokuo
