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
    void cleanupTestCase() { m_server.reset(); }
    void init();

    void series_data();
    void series();
    void extract_data();
    void extract();
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
    static QString cat(int line) { return "KUOKUO: " + TestProgramFolder::lineText(line); }
    // Each text must be in what the program said, or not when it starts with "!".
    void checkSaid(const QStringList &said) const
    {
        for (const QString &text : said) {
            if (text.startsWith('!'))
                QVERIFY2(!m_err.contains(text.mid(1)), qPrintable(m_err));
            else
                QVERIFY2(m_err.contains(text), qPrintable(m_err));
        }
    }

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

    for (int n = 1; n <= 12; ++n)
        m_server->generated(QStringLiteral("/s/jpggif%1.jpg").arg(n, 3, 10, QLatin1Char('0')),
                            n == 4 ? 120 : 16384);
    m_server->generated("/a/a07.gif", 5000);
    m_server->status("/a/a08.gif", 404, 10000);
    m_server->reset("/f1/f1.jpg", 100000, 20000);
    m_server->generated("/f1/f2.jpg", 5000);
    m_server->generated("/f2/f1.jpg", 5000);
    m_server->reset("/f2/f2.jpg", 100000, 20000);
    for (const char *name : {"/l/n1.jpg", "/l/n2.jpg", "/m/m01.jpg", "/m/m00.jpg"})
        m_server->generated(name, 3000);

    m_server->file("/x/p.html",
                   "<img src=\"a.gif\"><img src=\"/img/b.jpg\"><img src=c.png><img src=a%2.gif>",
                   "text/html");
    m_server->generated("/x/a.gif", 2000);
    m_server->generated("/x/a%2.gif", 2000);
    m_server->generated("/img/b.jpg", 7000);
    m_server->file("/pages/p.html", "<img src=\"/gallery/pic01.jpg\">", "text/html");
    for (int n = 1; n <= 3; ++n)
        m_server->generated(QStringLiteral("/gallery/pic%1.jpg").arg(n, 2, 10, QLatin1Char('0')),
                            4000);
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

void KuokuoDlTest::series_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("arguments"); // after FOLDER_URL
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<int>("requests"); // at most

    const QStringList first3{"jpggif001.jpg", "jpggif002.jpg", "jpggif003.jpg"};
    const QStringList stopped{"     2  jpggif002.jpg  16384 bytes\n", cat(11) + "\n",
                              "jpggif004.jpg: only 120 bytes", "3 file(s) saved"};
    QTest::newRow("stops at the first missing file")
        << "/s/" << QStringList{"jpggif???.jpg", "1", "100"} << 0 << first3 << stopped << 4 + 5;
    QTest::newRow("one request at a time")
        << "/s/" << QStringList{"jpggif???.jpg", "1", "100", "--parallel", "1"} << 0 << first3
        << stopped << 4;
    QTest::newRow("from a file name")
        << "/a/" << QStringList{"a01.gif", "7", "9", "-d", "."} << 0 << QStringList{"a07.gif"}
        << QStringList{cat(11), "a08.gif: not there (HTTP 404)"} << 3;
    QTest::newRow("failure on the first file")
        << "/f1/" << QStringList{"f?.jpg", "1", "2"} << 1 << QStringList{}
        << QStringList{"!" + cat(23), "kuokuo-dl: " + m_server->url("/f1/")} << 2;
    QTest::newRow("failure after a saved file")
        << "/f2/" << QStringList{"f?.jpg", "1", "2"} << 1 << QStringList{"f1.jpg"}
        << QStringList{cat(23), "kuokuo-dl: " + m_server->url("/f2/")} << 2;
    QTest::newRow("to the last number")
        << "/l/" << QStringList{"n?.jpg", "1", "2"} << 0 << QStringList{"n1.jpg", "n2.jpg"}
        << QStringList{"!KUOKUO"} << 2;
    QTest::newRow("numbers below one")
        << "/m/" << QStringList{"m??.jpg", "-1", "0"} << 0 << QStringList{"m00.jpg", "m01.jpg"}
        << QStringList{"    -1  m01.jpg  3000 bytes\n", "     0  m00.jpg  3000 bytes\n"} << 2;
}

void KuokuoDlTest::series()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, said);
    QFETCH(int, requests);
    QCOMPARE(run(QStringList{"series", m_server->url(folder)} + arguments), exitCode);
    QCOMPARE(files(), kept);
    checkSaid(said);
    QVERIFY(m_server->requests().size() <= requests);
}

void KuokuoDlTest::extract_data()
{
    QTest::addColumn<QStringList>("arguments"); // after PAGE_URL
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("said");

    QTest::newRow("images") << QStringList{"/x/p.html"} << 0
                            << QStringList{"a%2.gif", "a.gif", "b.jpg"}
                            << QStringList{"     3  a%2.gif  2000 bytes\n", "KUOKUO: 終了にゃあ．",
                                           "!連番ファイル確認"};
    QTest::newRow("probe") << QStringList{"/pages/p.html", "--probe", "2"} << 0
                           << QStringList{"pic01.jpg", "pic02.jpg", "pic03.jpg"}
                           << QStringList{"KUOKUO: 連番ファイル確認はじめるにゃあ．pic??.jpg",
                                          "KUOKUO: ?の連番ファイル確認終了にゃあ．pic??.jpg",
                                          "KUOKUO: 連番ファイル確認終了にゃあ．pic01.jpg"};
    QTest::newRow("page fails") << QStringList{"/nothing.html"} << 1 << QStringList{}
                                << QStringList{cat(6)};
}

void KuokuoDlTest::extract()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, said);
    QCOMPARE(run(QStringList{"extract", m_server->url(arguments.takeFirst())} + arguments),
             exitCode);
    QCOMPARE(files(), kept);
    checkSaid(said);
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
    QTest::newRow("no parallel requests")
        << QStringList{"series", "http://h/", "a?.jpg", "1", "3", "--parallel", "0"} << "N is";
    QTest::newRow("parallel not a number")
        << QStringList{"extract", "http://h/p.html", "--parallel", "many"} << "N is";
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
    QTRY_COMPARE(files(), QStringList{"i1.jpg"});
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains("interrupted"));
    QCOMPARE(files(), QStringList{"i1.jpg"});
}

QTEST_GUILESS_MAIN(KuokuoDlTest)
#include "tst_kuokuodl.moc"
