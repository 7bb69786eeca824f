#include "support/httpserver.h"
#include "support/rows.h"
#include "support/testfolder.h"

#include <QProcess>

#include <csignal>

using namespace kuokuo::test;

// What the command line adds to the download engine: its arguments, exit codes, progress lines
// and Ctrl-C. It runs from a program folder of its own that holds the cat's lines.
class KuokuoDlTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init() { target = std::make_unique<QTemporaryDir>(); }
    void run_data();
    void run();
    void interrupted();

private:
    QStringList files() const { return QDir(target->path()).entryList(QDir::Files | QDir::Hidden); }

    HttpServer server;
    TestProgramFolder program;
    std::unique_ptr<QTemporaryDir> target;
};

void KuokuoDlTest::initTestCase()
{
    program.installMascotLines(false);
    QVERIFY(QFile::copy(KUOKUO_DL, program.file("kuokuo-dl")));
    for (const auto &[path, size] : {std::pair{"/s/f%2_0.jpg", 3000},
                                     {"/s/f%2_1.jpg", 4000},
                                     {"/s/f%2_2.jpg", 120},
                                     {"/f/f1.jpg", 4000},
                                     {"/i/i1.jpg", 4000}})
        server.generated(path, size);
    server.reset("/f/f2.jpg", 9000, 10);
    server.generated("/i/i2.jpg", 9);
    server.delay(std::chrono::hours(1), "/i/i2.jpg");
}

void KuokuoDlTest::run_data()
{
    // name|arguments (%1: the server)|exit code|files saved|what it says (@n: the cat's line n)
    rows({"one at a time|series %1/s/ f%2_?.jpg 0 9 --parallel 1|0|f%2_0.jpg f%2_1.jpg|     0  "
          "f%2_0.jpg  3000 bytes\n     1  f%2_1.jpg  4000 bytes\n",
          "failure|series %1/f/ f?.jpg 1 2|1|f1.jpg|@23",
          "help|--help|0||Usage: kuokuo-dl series FOLDER_URL PATTERN FIRST LAST [-d DIR]",
          "nothing||2||nothing to do", "unknown command|fetch x|2||unknown command fetch",
          "not a number|series http://h/ a?.jpg one 3|2||FIRST and LAST",
          "no digits|series http://h/ logo.gif 1 3|2||@18",
          "no parallel requests|series http://h/ a?.jpg 1 3 --parallel 0|2||N is a number",
          "probe past 1000|extract http://h/p.html --probe 1001 -d .|2||START",
          "unknown option|extract http://h/p.html --fast|2||unknown option --fast"});
}

void KuokuoDlTest::run()
{
    const QStringList field = row();
    server.clearRequests();
    QProcess process;
    process.setWorkingDirectory(target->path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program.file("kuokuo-dl"),
                  QString(field[0]).replace("%1", server.url("")).split(' ', Qt::SkipEmptyParts));
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), field[1].toInt());
    QCOMPARE(files().join(' '), field[2]);
    QString said = field[3];
    for (const int line : {18, 23})
        said.replace("@" + QString::number(line), "KUOKUO: " + TestProgramFolder::lineText(line));
    QVERIFY2(QString::fromUtf8(process.readAll()).contains(said), qPrintable(said));
    // --parallel 1: not one request past the missing number.
    QCOMPARE(server.requests().filter("/s/").size(), field[0].contains("/s/") ? 3 : 0);
}

void KuokuoDlTest::interrupted()
{
    QProcess process;
    process.setWorkingDirectory(target->path());
    process.start(program.file("kuokuo-dl"), {"series", server.url("/i/"), "i?.jpg", "1", "5"});
    QTRY_COMPARE(files(), QStringList{"i1.jpg"});
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("interrupted"));
    QCOMPARE(files(), QStringList{"i1.jpg"});
}

QTEST_GUILESS_MAIN(KuokuoDlTest)
#include "tst_kuokuodl.moc"
