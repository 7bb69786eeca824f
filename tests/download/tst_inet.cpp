#include "common/textfile.h"
#include "platform/inet.h"
#include "support/httpserver.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
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
        if (m_written + length > m_capacity)
            return -1;
        m_written += length;
        return length;
    }

private:
    qint64 m_capacity;
    qint64 m_written = 0;
};

QList<int> states(const QSignalSpy &spy)
{
    QList<int> list;
    for (const QList<QVariant> &arguments : spy)
        list << arguments.at(0).toInt();
    return list;
}
} // namespace

class InetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void pageAsText();
    void bytesAsTheyAre();
    void bodyStreamedToADevice();
    void errorStatusIsAWholeAnswer();
    void redirectsAreFollowed();
    void redirectLoopFails();
    void cutOffBodyFails();
    void stalledServerTimesOut();
    void endlessPageIsCutAtTheLimit();
    void announcedOversizedPageFailsAtOnce();
    void failingWriteFailsTheTransfer();
    void statesOfAFreshConnection();
    void connectionIsKeptAlive();
    void refusedConnection();
    void onlyWebAddresses_data();
    void onlyWebAddresses();
    void eventsFlowWhileWaiting();
    void fetchStartedAhead_data();
    void fetchStartedAhead();

private:
    std::unique_ptr<HttpServer> m_server;
};

void InetTest::initTestCase()
{
    m_server = std::make_unique<HttpServer>();
    QVERIFY(m_server->isRunning());
}

void InetTest::cleanupTestCase()
{
    // Idle kept-alive connections would hold the server's threads until they time out.
    Inet::manager().clearConnectionCache();
    m_server.reset();
}

void InetTest::cleanup()
{
    Inet::setTimeout(Inet::DefaultTimeout);
}

void InetTest::pageAsText()
{
    const QString page = QStringLiteral("<p>猫の画像～①</p><img src=a.gif>");
    m_server->file("/sjis.html", *encodeCp932(page), "text/html; charset=Shift_JIS");
    Inet inet;
    QCOMPARE(inet.OpenURL(m_server->url("/sjis.html"), Inet::icString).toString(), page);

    m_server->file("/plain.html", page.toUtf8(), "text/html");
    const InetResponse response = inet.fetch(m_server->url("/plain.html"), Inet::icString);
    QVERIFY(response.ok);
    QCOMPARE(response.status, 200);
    QCOMPARE(response.text, page);
}

void InetTest::bytesAsTheyAre()
{
    const QByteArray bytes = HttpServer::content(70000, 3);
    m_server->file("/img/a.jpg", bytes);
    Inet inet;
    const QVariant body = inet.OpenURL(m_server->url("/img/a.jpg"), Inet::icByteArray);
    QCOMPARE(body.typeId(), QMetaType::QByteArray);
    QCOMPARE(body.toByteArray(), bytes);
    QVERIFY(inet.OpenURL(m_server->url("/img/missing-host-part.jpg"), 7).isNull());
}

void InetTest::bodyStreamedToADevice()
{
    const qint64 size = 5 * 1024 * 1024 + 17;
    m_server->generated("/big.jpg", size);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    Inet inet;
    QSignalSpy progress(&inet, &Inet::progress);
    const InetResponse response = inet.fetchInto(m_server->url("/big.jpg"), sink);
    QVERIFY2(response.ok, qPrintable(response.error));
    QCOMPARE(response.size, size);
    QVERIFY(response.bytes.isEmpty());
    QVERIFY(sink.data() == HttpServer::generatedContent("/big.jpg", size));
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toLongLong(), size);
}

void InetTest::errorStatusIsAWholeAnswer()
{
    m_server->status("/gone.jpg", 404, 10 * 1024);
    Inet inet;
    const InetResponse response = inet.fetch(m_server->url("/gone.jpg"), Inet::icByteArray);
    QVERIFY(response.ok);
    QCOMPARE(response.status, 404);
    QCOMPARE(response.size, 10 * 1024);
}

void InetTest::redirectsAreFollowed()
{
    m_server->file("/new/page.html", "<img src=a.gif>", "text/html");
    m_server->redirect("/old/page.html", "/new/page.html", 301);
    Inet inet;
    const InetResponse response = inet.fetch(m_server->url("/old/page.html"), Inet::icString);
    QVERIFY(response.ok);
    QCOMPARE(response.text, QStringLiteral("<img src=a.gif>"));
    QCOMPARE(response.url.toString(), m_server->url("/new/page.html"));
}

void InetTest::redirectLoopFails()
{
    m_server->redirect("/loop", "/loop");
    Inet inet;
    QSignalSpy spy(&inet, &Inet::StateChanged);
    const InetResponse response = inet.fetch(m_server->url("/loop"), Inet::icString);
    QVERIFY(!response.ok);
    QCOMPARE(states(spy).last(), 11);
}

void InetTest::cutOffBodyFails()
{
    m_server->reset("/cut.jpg", 100000, 40000);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    Inet inet;
    QVERIFY(!inet.fetchInto(m_server->url("/cut.jpg"), sink).ok);
    QVERIFY(inet.OpenURL(m_server->url("/cut.jpg"), Inet::icByteArray).isNull());
}

void InetTest::stalledServerTimesOut()
{
    m_server->stall("/stalled.jpg");
    Inet::setTimeout(std::chrono::milliseconds(300));
    Inet inet;
    QElapsedTimer clock;
    clock.start();
    const InetResponse response = inet.fetch(m_server->url("/stalled.jpg"), Inet::icByteArray);
    QVERIFY(!response.ok);
    QVERIFY2(response.error.contains(QStringLiteral("no progress")), qPrintable(response.error));
    QVERIFY(clock.elapsed() < 10000);
}

void InetTest::endlessPageIsCutAtTheLimit()
{
    m_server->endless("/endless.html");
    Inet inet;
    const InetResponse response = inet.fetch(m_server->url("/endless.html"), Inet::icString);
    QVERIFY(!response.ok);
    QVERIFY(response.text.isEmpty());
}

void InetTest::announcedOversizedPageFailsAtOnce()
{
    m_server->generated("/huge.html", Inet::MaxBodySize + 1, "text/html");
    Inet inet;
    const InetResponse response = inet.fetch(m_server->url("/huge.html"), Inet::icString);
    QVERIFY(!response.ok);
    QVERIFY(response.size < Inet::MaxBodySize);
}

void InetTest::failingWriteFailsTheTransfer()
{
    m_server->generated("/disk-full.jpg", 300000);
    FullDevice sink(100000);
    Inet inet;
    const InetResponse response = inet.fetchInto(m_server->url("/disk-full.jpg"), sink);
    QVERIFY(!response.ok);
    QCOMPARE(response.error, QStringLiteral("the file could not be written"));
}

void InetTest::statesOfAFreshConnection()
{
    HttpServer fresh;
    fresh.file("/a.jpg", HttpServer::content(5000));
    Inet inet;
    QSignalSpy spy(&inet, &Inet::StateChanged);
    QVERIFY(inet.fetch(fresh.url("/a.jpg"), Inet::icByteArray).ok);
    QCOMPARE(states(spy), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
    Inet::manager().clearConnectionCache();
}

void InetTest::connectionIsKeptAlive()
{
    HttpServer fresh;
    fresh.file("/a.jpg", HttpServer::content(5000));
    fresh.file("/b.jpg", HttpServer::content(5000));
    Inet inet;
    QVERIFY(inet.fetch(fresh.url("/a.jpg"), Inet::icByteArray).ok);
    QSignalSpy spy(&inet, &Inet::StateChanged);
    QVERIFY(inet.fetch(fresh.url("/b.jpg"), Inet::icByteArray).ok);
    // No new connection: the states of connecting do not come again.
    QCOMPARE(states(spy), (QList<int>{1, 4, 5, 6, 7, 8, 12}));
    Inet::manager().clearConnectionCache();
}

void InetTest::refusedConnection()
{
    int port = 0;
    {
        HttpServer gone;
        port = gone.port();
    }
    Inet inet;
    QSignalSpy spy(&inet, &Inet::StateChanged);
    const InetResponse response =
        inet.fetch(QStringLiteral("http://127.0.0.1:%1/a.jpg").arg(port), Inet::icByteArray);
    QVERIFY(!response.ok);
    QCOMPARE(states(spy).first(), 1);
    QCOMPARE(states(spy).last(), 11);
}

void InetTest::onlyWebAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("local file") << "file:///etc/passwd";
    QTest::newRow("data") << "data:text/plain,abc";
    QTest::newRow("empty") << "";
    QTest::newRow("scheme only") << "http://";
}

void InetTest::onlyWebAddresses()
{
    QFETCH(QString, address);
    Inet inet;
    QSignalSpy spy(&inet, &Inet::StateChanged);
    QVERIFY(inet.OpenURL(address, Inet::icString).isNull());
    QCOMPARE(states(spy), QList<int>{11});
}

void InetTest::eventsFlowWhileWaiting()
{
    m_server->stall("/waiting.jpg");
    Inet inet;
    bool fired = false;
    QTimer::singleShot(50, &inet, [&] {
        fired = true;
        inet.abort();
    });
    const InetResponse response = inet.fetch(m_server->url("/waiting.jpg"), Inet::icByteArray);
    QVERIFY(fired);
    QVERIFY(!response.ok);
    QCOMPARE(response.error, QStringLiteral("the transfer was stopped"));
    QVERIFY(!inet.busy());
}

void InetTest::fetchStartedAhead_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("fetched"); // what fetchInto then asks for
    QTest::addColumn<bool>("cancel");     // cancelPrefetch before it
    QTest::addColumn<int>("requestsOfA");

    QTest::newRow("taken over") << qint64(20000) << "/ahead/a.jpg" << false << 1;
    // More than the stream buffer: the body waits in a full buffer until it is taken over.
    QTest::newRow("large body taken over")
        << qint64(5 * 1024 * 1024) << "/ahead/a.jpg" << false << 1;
    QTest::newRow("another address drops it") << qint64(20000) << "/ahead/b.jpg" << false << 1;
    QTest::newRow("cancelled, then fetched anew") << qint64(20000) << "/ahead/a.jpg" << true << 2;
}

void InetTest::fetchStartedAhead()
{
    QFETCH(qint64, size);
    QFETCH(QString, fetched);
    QFETCH(bool, cancel);
    QFETCH(int, requestsOfA);
    HttpServer fresh;
    fresh.generated("/ahead/a.jpg", size);
    fresh.generated("/ahead/b.jpg", 7000);
    Inet inet;
    inet.prefetch(fresh.url("/ahead/a.jpg"));
    // Let the answer arrive before anyone reads it.
    QTRY_VERIFY(fresh.requests().contains("/ahead/a.jpg"));
    if (cancel)
        inet.cancelPrefetch();

    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QSignalSpy spy(&inet, &Inet::StateChanged);
    const InetResponse response = inet.fetchInto(fresh.url(fetched), sink);
    QVERIFY2(response.ok, qPrintable(response.error));
    const qint64 expectedSize = fetched.endsWith("a.jpg") ? size : 7000;
    QCOMPARE(response.size, expectedSize);
    QVERIFY(sink.data() == HttpServer::generatedContent(fetched, expectedSize));
    const QList<int> seen = states(spy);
    QCOMPARE(seen.first(), 1);
    QVERIFY(seen.contains(7));
    QCOMPARE(seen.mid(seen.size() - 2), (QList<int>{8, 12}));
    QCOMPARE(fresh.requests().count("/ahead/a.jpg"), requestsOfA);
    Inet::manager().clearConnectionCache();
}

QTEST_GUILESS_MAIN(InetTest)
#include "tst_inet.moc"
