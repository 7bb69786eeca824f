#include "platform/inet.h"
#include "support/httpserver.h"
#include "support/rows.h"

#include <QBuffer>

using namespace kuokuo;
using namespace kuokuo::test;

class InetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fetch_data();
    void fetch();
    void abort();

private:
    HttpServer server;
};

void InetTest::initTestCase()
{
    Inet::setTimeout(std::chrono::seconds(1));
    server.generated("/a.jpg", 70000);
    server.gzipped("/page.html", HttpServer::content(5000));
    server.reply("/gone.jpg", {404, 10240});
    server.redirect("/loop", "/loop");
    server.reset("/cut.jpg", 100000, 40000);
    server.gzipped("/cut.gz", HttpServer::content(300000), 300);
    server.gzipped("/bomb.html", QByteArray(Inet::MaxBodySize + 1024 * 1024, '\0'));
    HttpServer::Reply trickle(200, 100000);
    trickle.trickle = std::chrono::milliseconds(1500);
    server.reply("/trickle.jpg", trickle);
    server.generated("/stall.jpg", 9);
    server.delay(std::chrono::hours(1), "/stall.jpg");
}

void InetTest::fetch_data()
{
    // name|address: a path of the server or a whole one (%1: the server's port)|into memory, a
    // file or a device that takes nothing|status and size, or what the error says
    rows({"bytes|/a.jpg|memory|200 70000", "into a file|/a.jpg|file|200 70000",
          "gzip decoded|/page.html|memory|200 5000",
          "error status is a whole answer|/gone.jpg|file|404 10240",
          "no scheme|127.0.0.1:%1/a.jpg|memory|200 70000", "redirect loop|/loop|memory|redirects",
          "short body, then a clean close|/cut.jpg|file|closed", "gzip cut off|/cut.gz|file|closed",
          "decompression bomb|/bomb.html|memory|larger than 64 MiB",
          "trickle|/trickle.jpg|file|no progress for 1 s",
          "stall|/stall.jpg|memory|no progress for 1 s",
          "write fails|/a.jpg|none|could not be written",
          "refused|http://127.0.0.1:1/|memory|onnect",
          "local file|file:///etc/passwd|memory|not a web address"});
}

// A transfer ends with the whole body or fails; its states end as it did, and a body not even
// asked for reports the error alone.
void InetTest::fetch()
{
    const QStringList field = row();
    const QString address = field[0].startsWith('/')
                                ? server.url(field[0])
                                : QString(field[0]).replace("%1", QString::number(server.port()));
    Inet inet;
    QSignalSpy states(&inet, &Inet::StateChanged);
    QBuffer file;
    file.open(field[1] == "file" ? QIODevice::WriteOnly : QIODevice::ReadOnly);
    const InetResponse response =
        field[1] == "memory" ? inet.fetch(address) : inet.fetchInto(address, file);
    const QString got = response.ok
                            ? QStringLiteral("%1 %2").arg(response.status).arg(response.size)
                            : response.error;
    QVERIFY2(got.contains(field[2]), qPrintable(got));
    if (response.ok && response.status == 200)
        QCOMPARE(field[1] == "memory" ? response.bytes : file.data(),
                 field[0].contains(".html") ? HttpServer::content(5000)
                                            : HttpServer::generatedContent("/a.jpg", 70000));
    QCOMPARE(states.last().at(0).toInt(), response.ok ? Inet::icResponseCompleted : Inet::icError);
    QCOMPARE(states.first().at(0).toInt(),
             got.startsWith("not a web") ? Inet::icError : Inet::icResolvingHost);
    QVERIFY(!inet.busy());
}

// The wait keeps the event loop running: a timer aborts the transfer, and the Inet goes on.
void InetTest::abort()
{
    Inet inet;
    inet.abort();
    QVERIFY(inet.fetch(server.url("/a.jpg")).ok);
    QTimer::singleShot(50, &inet, [&] { inet.abort(); });
    QCOMPARE(inet.fetch(server.url("/stall.jpg")).error, "the transfer was stopped");
    QVERIFY(!inet.busy());
    QVERIFY(inet.fetch(server.url("/a.jpg")).ok);
}

QTEST_GUILESS_MAIN(InetTest)
#include "tst_inet.moc"
