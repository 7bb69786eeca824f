#include "support/httpserver.h"
#include "support/rows.h"
#include "support/testfolder.h"

#include <QProcess>

#include <csignal>
#include <sys/resource.h>

using namespace kuokuo::test;

// kuokuo-dl as a user runs it: its arguments, exit codes, progress lines and the cat's words,
// read from the program folder it runs from.
class KuokuoDlTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // Beside one copy the lines file and a settings file of other words; beside the other
        // only that settings file.
        program.installMascotLines(false);
        const QByteArray settings =
            program.read("kuekuoserihu.rtp").replace("11", "99") + "[rad.rtp]\r\n0\r\n\r\n";
        QVERIFY(QDir(program.path()).mkdir("ini"));
        for (const QString copy : {"", "ini/"})
            QVERIFY(program.write(copy + "kuekuenavi.ini", settings) &&
                    QFile::copy(KUOKUO_DL, program.file(copy + "kuokuo-dl")));
        QVERIFY(program.write("cookies.txt", "# Netscape HTTP Cookie File\n"
                                             "127.0.0.1\tFALSE\t/\tFALSE\t0\tsid\tabc\n"));
        // The series over plain HTTP and over HTTPS with each kind of certificate, the rest over
        // HTTP; a request for /w/ waits.
        const QString routes = "/s/f%2_0.jpg=3000 /s/f%2_1.jpg=4000 /s/f%2_2.jpg=120 /a.gif=e403 "
                               "/b.gif=e403 /g/p01.jpg=4000 /g/p02.jpg=4000 /w/1.jpg=4000 "
                               "/k/1.jpg=k4000 /b/1.jpg=b0,4000 /n/1.jpg=b0,4000";
        for (HttpServer *at : servers)
            for (const QString &route : routes.split(' '))
                if (at == &server || route.startsWith("/s/"))
                    at->serve(route.section('=', 0, 0), route.section('=', 1));
        server.delay(std::chrono::seconds(20), "/w/1.jpg");
        server.serve("/r/1.jpg", "g4000", server.url("/r/").toUtf8());
        good.serve("/down.html", ">" + server.url("/p.html"));
        server.file("/p.html",
                    "<img src=a.gif><img src=s/f%2_1.jpg><img src=b.gif>"
                    "<img src=g/p01.jpg>",
                    "text/html");
        server.file("/q.html", "<img src=a.gif><img src=b.gif>", "text/html");
        server.file("/none.html", "<p>no images", "text/html");
    }
    void run_data()
    {
        // name|arguments (%1: the server; over https %g with a good certificate, %o one for
        // another name, %e an expired one, %u one of an unknown authority; '' an empty argument;
        // "FULL": files stop growing at 3500 bytes, as on a full disk; "ini": the copy beside the
        // settings file alone; "INT": Ctrl-C once the first file is asked for)|exit code|files
        // saved (into sub with "-d sub")|what it says on stderr, line by line in order, then
        // "stdout:" and what it says there
        rows({"one at a time, in a folder|series %1/s/ f%2_?.jpg 0 9 --parallel 1 -d sub|0|"
              "f%2_0.jpg f%2_1.jpg|     0  f%2_0.jpg  3000 bytes\n     1  f%2_1.jpg  4000 "
              "bytes\nKUOKUO: セリフ11にゃあ\nf%2_2.jpg: only 120 bytes\n2 file(s) saved",
              "the settings file's lines|ini series %1/s/ f%2_?.jpg 2 2|0||KUOKUO: セリフ99にゃあ",
              "negative numbers|series %1/s/ f%2_?.jpg -10 -9 --parallel 64|0|f%2_0.jpg|"
              "   -10  f%2_0.jpg  3000 bytes\n1 file(s) saved",
              "no folder|series %1/s/ f%2_?.jpg 0 9 -d no|2||no is not a folder\nUsage:\nstdout:",
              "too many requests|series http://h/ a?.jpg 1 3 --parallel 65|2||1 to 64",
              "no request at a time|series http://h/ a?.jpg 1 3 --parallel 0|2||1 to 64",
              "a probe in a series|series %1/s/ f%2_?.jpg 0 9 --probe 1|2||series takes",
              "help|--help|0||stdout:Usage: kuokuo-dl series",
              "a pattern up the tree|series %1/s/ ../f%2_?.jpg 0 9|2||../f%2_?.jpg is not a plain",
              "too large|series %1/s/ f%2_?.jpg 0 9 --max-filesize 3K|1|f%2_0.jpg|maximum of 3 KiB",
              "disk full|series %1/s/ f%2_?.jpg 0 9 FULL|1|f%2_0.jpg|KUOKUO: セリフ23にゃあ\n"
              "f%2_1.jpg: disk full\n1 file(s) saved",
              "interrupted|series %1/w/ ?.jpg 1 1 INT|1||kuokuo-dl: interrupted\n0 file(s) saved",
              "cookies|series %1/k/ ?.jpg 1 2 --cookies cookies.txt|0|1.jpg|2.jpg: HTTP 404",
              "the folder as Referer|series %1/r/ ?.jpg 1 1|0|1.jpg|1.jpg  4000 bytes",
              "no Referer|series %1/r/ ?.jpg 1 1 --referer ''|0||1.jpg: HTTP 403 Forbidden",
              "busy, then there|series %1/b/ ?.jpg 1 1|0|1.jpg|asking again in 0 s",
              "busy, no retries|series %1/n/ ?.jpg 1 1 --retries 0|0||1.jpg: HTTP 503",
              "refusals named, a series probed beside its image|extract %1/p.html --probe 2|0|"
              "f%2_1.jpg p01.jpg p02.jpg|not saved: a.gif: HTTP 403 Forbidden\n     2  p02.jpg  "
              "4000 bytes\n     4  p01.jpg  4000 bytes\n3 file(s) saved",
              "no images|extract %1/none.html|0||KUOKUO: 画像ファイルが存在しないにゃあ．",
              "none saved|extract %1/q.html|1||none of the page's 2 image(s)",
              "https|series %g/s/ f%2_?.jpg 0 9 --cacert ca.pem|0|f%2_0.jpg f%2_1.jpg|",
              "another name|series %o/s/ f%2_?.jpg 0 9 --cacert ca.pem|1||is for another name",
              "expired|series %e/s/ f%2_?.jpg 0 9 --cacert ca.pem|1||certificate has expired",
              "unknown authority|series %u/s/ f%2_?.jpg 0 9 --cacert ca.pem|1||is not trusted",
              "https down to http|extract %g/down.html --cacert ca.pem|1||https to http refused"});
    }
    void run()
    {
        const QStringList field = row();
        server.clearRequests();
        QTemporaryDir target;
        QVERIFY(QDir(target.path()).mkdir("sub"));
        QProcess process;
        process.setWorkingDirectory(target.path());
        QString line = field[0];
        for (int i = 0; i < 5; ++i)
            line.replace(QStringLiteral("%") + QStringLiteral("1goeu").at(i), servers[i]->url(""));
        line.replace("cookies.txt", program.file("cookies.txt"))
            .replace("ca.pem", HttpServer::authorityFile());
        QStringList arguments = line.split(' ').replaceInStrings("''", "");
        const bool full = arguments.removeAll("FULL"), ini = arguments.removeAll("ini"),
                   interrupt = arguments.removeAll("INT");
        process.setChildProcessModifier([full] {
            const rlim_t limit = full ? 3500 : RLIM_INFINITY;
            const rlimit size = {limit, limit};
            std::signal(SIGXFSZ, SIG_IGN);
            ::setrlimit(RLIMIT_FSIZE, &size);
        });
        process.start(program.file(ini ? "ini/kuokuo-dl" : "kuokuo-dl"), arguments);
        if (interrupt) {
            QTRY_VERIFY(server.requests().contains("/w/1.jpg"));
            ::kill(pid_t(process.processId()), SIGINT);
        }
        QVERIFY(process.waitForFinished(10000));
        const QString said = QString::fromUtf8(process.readAllStandardError()) +
                             "stdout:" + QString::fromUtf8(process.readAllStandardOutput());
        qsizetype at = 0;
        for (const QString &piece : field[3].split('\n'))
            QVERIFY2((at = said.indexOf(piece, at)) >= 0, qPrintable(piece + " in: " + said));
        QCOMPARE(process.exitCode(), field[1].toInt());
        const QDir folder(target.filePath(line.contains("-d sub") ? "sub" : ""));
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).join(' '), field[2]);
        // --parallel 1: not one request past the missing number.
        if (field[0].contains("--parallel 1 "))
            QCOMPARE(server.requests().filter("/s/").size(), 3);
    }

private:
    HttpServer server, good{HttpServer::Tls::Good}, otherName{HttpServer::Tls::OtherName},
        expired{HttpServer::Tls::Expired}, unknown{HttpServer::Tls::UnknownAuthority};
    HttpServer *const servers[5] = {&server, &good, &otherName, &expired, &unknown};
    TestProgramFolder program;
};

QTEST_GUILESS_MAIN(KuokuoDlTest)
#include "tst_kuokuodl.moc"
