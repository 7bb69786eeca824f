#include "support/httpserver.h"
#include "support/rows.h"
#include "support/testfolder.h"

#include <QProcess>

using namespace kuokuo::test;

// What the command line adds to the download engine: its arguments, exit codes and progress
// lines. It runs from a program folder of its own that holds the cat's lines.
class KuokuoDlTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        program.installMascotLines(false);
        QVERIFY(QFile::copy(KUOKUO_DL, program.file("kuokuo-dl")));
        server.generated("/s/f%2_0.jpg", 3000);
        server.generated("/s/f%2_1.jpg", 4000);
        server.generated("/s/f%2_2.jpg", 120);
    }
    void run_data()
    {
        // name|arguments (%1: the server)|exit code|files saved|what it says
        rows({"one at a time|series %1/s/ f%2_?.jpg 0 9 --parallel 1|0|f%2_0.jpg f%2_1.jpg|     0  "
              "f%2_0.jpg  3000 bytes\n     1  f%2_1.jpg  4000 bytes\n",
              "no parallel requests|series http://h/ a?.jpg 1 3 --parallel 0|2||N is a number"});
    }
    void run()
    {
        const QStringList field = row();
        server.clearRequests();
        QTemporaryDir target;
        QProcess process;
        process.setWorkingDirectory(target.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program.file("kuokuo-dl"),
                      QString(field[0]).replace("%1", server.url("")).split(' '));
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), field[1].toInt());
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).join(' '), field[2]);
        QVERIFY2(QString::fromUtf8(process.readAll()).contains(field[3]), qPrintable(field[3]));
        // --parallel 1: not one request past the missing number.
        QCOMPARE(server.requests().filter("/s/").size(), field[0].contains("/s/") ? 3 : 0);
    }

private:
    HttpServer server;
    TestProgramFolder program;
};

QTEST_GUILESS_MAIN(KuokuoDlTest)
#include "tst_kuokuodl.moc"
