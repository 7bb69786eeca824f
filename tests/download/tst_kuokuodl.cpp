#include "support/httpserver.h"
#include "support/testfolder.h"

#include <QProcess>
#include <QtTest>

using namespace kuokuo;
using kuokuo::test::HttpServer;
using kuokuo::test::TestProgramFolder;

// kuokuo-dl end to end: the program runs from a program folder of its own that holds the cat's
// lines, against the test server.
class KuokuoDlTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void seriesStopsAtTheFirstMissingFile();
    void seriesFromAFileName();
    void seriesFailure_data();
    void seriesFailure();
    void seriesToTheLastNumber();
    void extractImages();
    void extractWithProbe();
    void extractPageFails();
    void badArguments_data();
    void badArguments();
    void help();
    void interrupted();

private:
    int run(const QStringList &arguments);
    QStringList files() const
    {
        return QDir(m_target->path())
            .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    QByteArray saved(const QString &name) const
    {
        QFile file(m_target->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString cat(int line) { return "KUOKUO: " + TestProgramFolder::lineText(line); }

    std::unique_ptr<HttpServer> m_server;
    TestProgramFolder m_program;
    QString m_executable;
    std::unique_ptr<QTemporaryDir> m_target;
    QString m_err;
    QString m_out;
};

void KuokuoDlTest::initTestCase()
{
    m_server = std::make_unique<HttpServer>();
    QVERIFY(m_server->isRunning());
    m_program.installMascotLines(false);
    m_executable = m_program.file("kuokuo-dl");
    QVERIFY(QFile::copy(KUOKUO_DL, m_executable));
}

void KuokuoDlTest::cleanupTestCase()
{
    m_server.reset();
}

void KuokuoDlTest::init()
{
    m_target = std::make_unique<QTemporaryDir>();
    m_server->clearRequests();
}

int KuokuoDlTest::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_target->path());
    process.start(m_executable, arguments);
    if (!process.waitForFinished(60000))
        return -1;
    m_err = QString::fromUtf8(process.readAllStandardError());
    m_out = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void KuokuoDlTest::seriesStopsAtTheFirstMissingFile()
{
    for (int n = 1; n <= 3; ++n)
        m_server->generated(QStringLiteral("/img/jpggif%1.jpg").arg(n, 3, 10, QLatin1Char('0')),
                            16384);
    m_server->generated("/img/jpggif004.jpg", 120);
    m_server->generated("/img/jpggif005.jpg", 16384);
    QCOMPARE(run({"series", m_server->url("/img/"), "jpggif???.jpg", "1", "100"}), 0);
    QCOMPARE(files(), (QStringList{"jpggif001.jpg", "jpggif002.jpg", "jpggif003.jpg"}));
    QCOMPARE(saved("jpggif002.jpg"), HttpServer::generatedContent("/img/jpggif002.jpg", 16384));
    QVERIFY2(m_err.contains("     2  jpggif002.jpg  16384 bytes\n"), qPrintable(m_err));
    QVERIFY(m_err.contains(cat(11) + "\n"));
    QVERIFY(m_err.contains("jpggif004.jpg: only 120 bytes"));
    QVERIFY(m_err.contains("3 file(s) saved"));
    QCOMPARE(m_server->requests().size(), 4);
}

void KuokuoDlTest::seriesFromAFileName()
{
    m_server->generated("/s/a07.gif", 5000);
    m_server->status("/s/a08.gif", 404, 10000);
    QCOMPARE(run({"series", m_server->url("/s/"), "a01.gif", "7", "9", "-d", m_target->path()}), 0);
    QCOMPARE(files(), QStringList{"a07.gif"});
    QVERIFY(m_err.contains(cat(11)));
    QVERIFY(m_err.contains("a08.gif: not there (HTTP 404)"));
}

void KuokuoDlTest::seriesFailure_data()
{
    QTest::addColumn<int>("cutAt");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<bool>("catSpeaks");
    QTest::newRow("first file") << 1 << QStringList{} << false;
    QTest::newRow("after a saved file") << 2 << QStringList{"f1.jpg"} << true;
}

void KuokuoDlTest::seriesFailure()
{
    QFETCH(int, cutAt);
    QFETCH(QStringList, kept);
    QFETCH(bool, catSpeaks);
    m_server->generated("/f/f1.jpg", 5000);
    m_server->generated("/f/f2.jpg", 5000);
    m_server->reset(QStringLiteral("/f/f%1.jpg").arg(cutAt), 100000, 20000);
    QCOMPARE(run({"series", m_server->url("/f/"), "f?.jpg", "1", "2"}), 1);
    QCOMPARE(files(), kept);
    QCOMPARE(m_err.contains(cat(23)), catSpeaks);
    QVERIFY(m_err.contains(QStringLiteral("kuokuo-dl: %1").arg(m_server->url("/f/"))));
}

void KuokuoDlTest::seriesToTheLastNumber()
{
    m_server->generated("/l/n1.jpg", 3000);
    m_server->generated("/l/n2.jpg", 3000);
    QCOMPARE(run({"series", m_server->url("/l/"), "n?.jpg", "1", "2"}), 0);
    QCOMPARE(files(), (QStringList{"n1.jpg", "n2.jpg"}));
    QVERIFY(!m_err.contains("KUOKUO"));
}

void KuokuoDlTest::extractImages()
{
    m_server->file("/x/p.html", "<img src=\"a.gif\"><img src=\"/img/b.jpg\"><img src=c.png>",
                   "text/html");
    m_server->generated("/x/a.gif", 2000);
    m_server->generated("/img/b.jpg", 7000);
    QCOMPARE(run({"extract", m_server->url("/x/p.html")}), 0);
    QCOMPARE(files(), (QStringList{"a.gif", "b.jpg"}));
    QCOMPARE(saved("b.jpg"), HttpServer::generatedContent("/img/b.jpg", 7000));
    QVERIFY(m_err.contains("KUOKUO: 終了にゃあ．"));
}

void KuokuoDlTest::extractWithProbe()
{
    m_server->file("/pages/p.html", "<img src=\"/gallery/pic01.jpg\">", "text/html");
    for (int n = 1; n <= 3; ++n)
        m_server->generated(QStringLiteral("/gallery/pic%1.jpg").arg(n, 2, 10, QLatin1Char('0')),
                            4000);
    QCOMPARE(run({"extract", m_server->url("/pages/p.html"), "--probe", "2"}), 0);
    QCOMPARE(files(), (QStringList{"pic01.jpg", "pic02.jpg", "pic03.jpg"}));
    QCOMPARE(m_server->requests(),
             (QStringList{"/pages/p.html", "/gallery/pic01.jpg", "/gallery/pic02.jpg",
                          "/gallery/pic03.jpg", "/gallery/pic04.jpg"}));
    QVERIFY(m_err.contains("KUOKUO: ?の連番ファイル確認終了にゃあ．pic??.jpg"));
}

void KuokuoDlTest::extractPageFails()
{
    QCOMPARE(run({"extract", m_server->url("/nothing.html")}), 1);
    QVERIFY(m_err.contains(cat(6)));
    QCOMPARE(files(), QStringList{});
}

void KuokuoDlTest::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");

    QTest::newRow("nothing") << QStringList{} << "nothing to do";
    QTest::newRow("unknown command") << QStringList{"fetch", "x"} << "unknown command fetch";
    QTest::newRow("series too short") << QStringList{"series", "http://h/", "a?.jpg", "1"} << "";
    QTest::newRow("first not a number")
        << QStringList{"series", "http://h/", "a?.jpg", "one", "3"} << "FIRST and LAST";
    QTest::newRow("last too large")
        << QStringList{"series", "http://h/", "a?.jpg", "1", "40000"} << "FIRST and LAST";
    QTest::newRow("name too short")
        << QStringList{"series", "http://h/", "a1", "1", "3"} << cat(13);
    QTest::newRow("name without digits")
        << QStringList{"series", "http://h/", "logo.gif", "1", "3"} << cat(18);
    QTest::newRow("no such folder")
        << QStringList{"series", "http://h/", "a?.jpg", "1", "3", "-d", "/no/such/folder"}
        << "is not a folder";
    QTest::newRow("probe too large")
        << QStringList{"extract", "http://h/p.html", "--probe", "1001"} << "START";
    QTest::newRow("probe without value")
        << QStringList{"extract", "http://h/p.html", "--probe"} << "needs a value";
    QTest::newRow("unknown option")
        << QStringList{"extract", "http://h/p.html", "--fast"} << "unknown option --fast";
    QTest::newRow("two pages") << QStringList{"extract", "http://h/a.html", "http://h/b.html"}
                               << "one PAGE_URL";
}

void KuokuoDlTest::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    QCOMPARE(run(arguments), 2);
    QVERIFY(m_err.contains("Usage: kuokuo-dl series"));
    QVERIFY2(m_err.contains(said), qPrintable(m_err));
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(files(), QStringList{});
}

void KuokuoDlTest::help()
{
    QCOMPARE(run({"--help"}), 0);
    QVERIFY(m_out.startsWith("Usage: kuokuo-dl series FOLDER_URL PATTERN FIRST LAST [-d DIR]"));
}

void KuokuoDlTest::interrupted()
{
    m_server->generated("/i/i1.jpg", 5000);
    m_server->stall("/i/i2.jpg");
    QProcess process;
    process.setWorkingDirectory(m_target->path());
    process.start(m_executable, {"series", m_server->url("/i/"), "i?.jpg", "1", "5"});
    QTRY_COMPARE(m_server->requests().size(), 2);
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains("interrupted"));
    QCOMPARE(files(), QStringList{"i1.jpg"});
}

QTEST_GUILESS_MAIN(KuokuoDlTest)
#include "tst_kuokuodl.moc"
