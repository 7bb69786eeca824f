#include "common/textfile.h"
#include "download/pagetext.h"
#include "platform/inet.h"
#include "support/httpserver.h"

#include <QBuffer>
#include <QtTest>

using namespace kuokuo;
using kuokuo::test::HttpServer;

namespace {
// A device whose writes fail once `capacity` bytes are in: a full disk.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 capacity)
        : m_capacity(capacity)
    {
        open(WriteOnly);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override
    {
        m_capacity -= length;
        return m_capacity < 0 ? -1 : length;
    }

private:
    qint64 m_capacity;
};

QList<int> states(const QSignalSpy &spy)
{
    QList<int> list;
    for (const QList<QVariant> &arguments : spy)
        list << arguments.at(0).toInt();
    return list;
}

enum Sink { Memory, Buffer, Full };
const QByteArray Page = QStringLiteral("<p>猫の画像～①</p><img src=a.gif>").toUtf8();
} // namespace

class InetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { m_server.reset(); }
    void init() { Inet::setTimeout(std::chrono::seconds(1)); }
    void cleanup() { Inet::setTimeout(Inet::DefaultTimeout); }
    void fetch_data();
    void fetch();
    void statesInOrder();
    void reusedAfterAnAbort();
    void openUrl();

private:
    std::unique_ptr<HttpServer> m_server;
};

void InetTest::initTestCase()
{
    m_server = std::make_unique<HttpServer>();
    QVERIFY(m_server->isRunning());
    m_server->file("/a.jpg", HttpServer::content(70000, 3));
    m_server->generated("/big.jpg", 5 * 1024 * 1024 + 17);
    m_server->gzipped("/page.html", Page);
    m_server->file("/new/page.html", Page, "text/html");
    m_server->redirect("/old/page.html", "/new/page.html", 301);
    m_server->status("/gone.jpg", 404, 10 * 1024);
    m_server->redirect("/loop", "/loop");
    m_server->reset("/cut.jpg", 100000, 40000);
    m_server->gzipped("/cut.jpg.gz", HttpServer::content(300000), 300, "image/jpeg");
    m_server->gzipped("/bomb.html", QByteArray(Inet::MaxBodySize + 1024 * 1024, '\0'));
    m_server->trickle("/trickle.jpg", std::chrono::milliseconds(1500));
    m_server->stall("/stalled.jpg");
    m_server->generated("/disk-full.jpg", 300000);
}

void InetTest::fetch_data()
{
    QTest::addColumn<QString>("address"); // a path of the server, or a whole address
    QTest::addColumn<int>("sink");
    QTest::addColumn<QByteArray>("body"); // null: not compared
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // empty: the transfer succeeds

    QTest::newRow("bytes") << "/a.jpg" << int(Memory) << HttpServer::content(70000, 3) << 200 << "";
    QTest::newRow("streamed") << "/big.jpg" << int(Buffer)
                              << HttpServer::generatedContent("/big.jpg", 5 * 1024 * 1024 + 17)
                              << 200 << "";
    QTest::newRow("gzip decoded") << "/page.html" << int(Memory) << Page << 200 << "";
    QTest::newRow("redirect followed") << "/old/page.html" << int(Memory) << Page << 200 << "";
    QTest::newRow("error status is a whole answer")
        << "/gone.jpg" << int(Buffer) << QByteArray() << 404 << "";
    QTest::newRow("redirect loop") << "/loop" << int(Memory) << QByteArray() << 0 << "redirects";
    QTest::newRow("reset mid-body") << "/cut.jpg" << int(Buffer) << QByteArray() << 0 << "closed";
    QTest::newRow("cut-off gzip") << "/cut.jpg.gz" << int(Buffer) << QByteArray() << 0 << "closed";
    QTest::newRow("bomb over the cap")
        << "/bomb.html" << int(Memory) << QByteArray() << 0 << "larger than 64 MiB";
    QTest::newRow("trickle") << "/trickle.jpg" << int(Buffer) << QByteArray() << 0
                             << "no progress for 1 s";
    QTest::newRow("stall") << "/stalled.jpg" << int(Memory) << QByteArray() << 0
                           << "no progress for 1 s";
    QTest::newRow("full disk") << "/disk-full.jpg" << int(Full) << QByteArray() << 0
                               << "could not be written";
    int gone = 0;
    {
        const HttpServer closed;
        gone = closed.port();
    }
    QTest::newRow("refused") << QStringLiteral("http://127.0.0.1:%1/a.jpg").arg(gone) << int(Memory)
                             << QByteArray() << 0 << "onnect";
    QTest::newRow("local file") << "file:///etc/passwd" << int(Memory) << QByteArray() << 0
                                << "not a web address";
    QTest::newRow("ftp") << "ftp://127.0.0.1/a.jpg" << int(Memory) << QByteArray() << 0
                         << "not a web address";
    QTest::newRow("scheme only") << "http://" << int(Memory) << QByteArray() << 0
                                 << "not a web address";
}

void InetTest::fetch()
{
    QFETCH(QString, address);
    QFETCH(int, sink);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, error);
    Inet inet;
    QSignalSpy spy(&inet, &Inet::StateChanged);
    QSignalSpy progress(&inet, &Inet::progress);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FullDevice full(100000);
    const QString url = address.startsWith('/') ? m_server->url(address) : address;
    const InetResponse response =
        sink == Memory
            ? inet.fetch(url)
            : inet.fetchInto(url, sink == Full ? static_cast<QIODevice &>(full) : buffer);
    QVERIFY2(response.error.contains(error), qPrintable(response.error));
    QCOMPARE(response.ok, error.isEmpty());
    if (response.ok)
        QCOMPARE(response.status, status);
    if (!body.isNull()) {
        QVERIFY((sink == Memory ? response.bytes : buffer.data()) == body);
        QCOMPARE(response.size, body.size());
        QCOMPARE(progress.last().at(0).toLongLong(), body.size());
    }
    // The states end as the transfer did; a body not even asked for reports the error alone.
    QCOMPARE(states(spy).last(), response.ok ? 12 : 11);
    QCOMPARE(states(spy).first(), error.startsWith("not a web") ? 11 : 1);
    QVERIFY(!inet.busy());
}

// On a fresh connection every state comes; a kept-alive one skips the connecting ones. Side by
// side transfers keep their states until they are followed.
void InetTest::statesInOrder()
{
    HttpServer fresh;
    for (const char *path : {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"})
        fresh.generated(path, 5000);
    Inet inet;
    QSignalSpy spy(&inet, &Inet::StateChanged);
    QVERIFY(inet.fetch(fresh.url("/a.jpg")).ok);
    QVERIFY(inet.fetch(fresh.url("/b.jpg")).ok);
    QCOMPARE(states(spy), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 12, 1, 4, 5, 6, 7, 8, 12}));

    spy.clear();
    const auto c = inet.start(fresh.url("/c.jpg"), nullptr);
    const auto d = inet.start(fresh.url("/d.jpg"), nullptr);
    inet.waitFor(*d);
    inet.waitFor(*c);
    QVERIFY(spy.isEmpty());
    inet.follow(d.get());
    inet.follow(c.get());
    const QList<int> seen = states(spy);
    const qsizetype second = seen.lastIndexOf(1);
    for (const QList<int> &run : {seen.mid(0, second), seen.mid(second)}) {
        QVERIFY(std::is_sorted(run.begin(), run.end()));
        QCOMPARE(run.first(), 1);
        QCOMPARE(run.mid(run.size() - 5), (QList<int>{5, 6, 7, 8, 12}));
    }
}

// The wait keeps the event loop running: a timer aborts the transfer, and the Inet goes on.
void InetTest::reusedAfterAnAbort()
{
    Inet inet;
    QTimer::singleShot(50, &inet, [&] { inet.abort(); });
    const InetResponse response = inet.fetch(m_server->url("/stalled.jpg"));
    QCOMPARE(response.error, QStringLiteral("the transfer was stopped"));
    QVERIFY(!inet.busy());
    QVERIFY(inet.fetch(m_server->url("/a.jpg")).ok);
}

void InetTest::openUrl()
{
    const QString page = QStringLiteral("<p>猫の画像～①</p>");
    m_server->file("/sjis.html", *encodeCp932(page), "text/html; charset=Shift_JIS");
    Inet inet;
    QCOMPARE(inet.OpenURL(m_server->url("/new/page.html"), Inet::icString).toString(),
             QString::fromUtf8(Page));
    inet.setTextDecoder(&decodePage);
    QCOMPARE(inet.OpenURL(m_server->url("/sjis.html"), Inet::icString).toString(), page);
    QCOMPARE(inet.OpenURL(m_server->url("/a.jpg"), Inet::icByteArray).toByteArray(),
             HttpServer::content(70000, 3));
    QVERIFY(inet.OpenURL(m_server->url("/a.jpg"), 7).isNull());
    QVERIFY(inet.OpenURL(m_server->url("/loop"), Inet::icByteArray).isNull());
}

QTEST_GUILESS_MAIN(InetTest)
#include "tst_inet.moc"
