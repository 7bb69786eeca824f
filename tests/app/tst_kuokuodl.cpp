#include "support/httpserver.h"
#include "support/rows.h"
#include "support/testfolder.h"

#include <QProcess>

#include <csignal>
#include <sys/resource.h>

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
        QVERIFY(program.write("cookies.txt", "# Netscape HTTP Cookie File\n"
                                             "127.0.0.1\tFALSE\t/\tFALSE\t0\tsid\tabc\n"));
        // The same files over plain HTTP and over HTTPS with each kind of certificate.
        for (HttpServer *at : {&server, &good, &otherName, &expired, &unknown}) {
            at->serve("/s/f%2_0.jpg", "3000");
            at->serve("/s/f%2_1.jpg", "4000");
            at->serve("/s/f%2_2.jpg", "120");
        }
        server.file("/p.html", "<img src=a.gif><img src=s/f%2_1.jpg><img src=b.gif>", "text/html");
        server.file("/q.html", "<img src=a.gif><img src=b.gif>", "text/html");
        good.serve("/down.html", ">" + server.url("/p.html"));
        for (const char *path : {"/a.gif", "/b.gif"})
            server.serve(path, "e403");
        server.serve("/k/1.jpg", "k4000");
        server.serve("/r/1.jpg", "g4000", server.url("/r/").toUtf8());
        server.serve("/b/1.jpg", "b0,4000");
        server.serve("/n/1.jpg", "b0,4000");
    }
    void run_data()
    {
        // name|arguments (%1: the server; over https %g with a good certificate, %o one for
        // another name, %e an expired one, %u one of an unknown authority; '' an empty argument;
        // "fsize N": files stop growing at N bytes, as on a full disk)|exit code|files saved|what
        // it says
        rows({"one at a time|series %1/s/ f%2_?.jpg 0 9 --parallel 1|0|f%2_0.jpg f%2_1.jpg|     0  "
              "f%2_0.jpg  3000 bytes\n     1  f%2_1.jpg  4000 bytes\n",
              "no parallel requests|series http://h/ a?.jpg 1 3 --parallel 0|2||N is a number",
              "a pattern up the tree|series %1/s/ ../f%2_?.jpg 0 9|2||../f%2_?.jpg is not a plain",
              "a pattern with a folder|series %1/s/ s/f%2_?.jpg 0 9|2||s/f%2_?.jpg is not a plain",
              "larger than the maximum|series %1/s/ f%2_?.jpg 0 9 --max-filesize 3K|1|f%2_0.jpg|"
              "f%2_1.jpg: the file is larger than the maximum of 3 KiB",
              "disk full|series %1/s/ f%2_?.jpg 0 9 fsize 3500|1|f%2_0.jpg|f%2_1.jpg: disk full",
              "cookies from a file|series %1/k/ ?.jpg 1 2 --cookies cookies.txt|0|1.jpg|"
              "2.jpg: HTTP 404 Not Found",
              "the folder as Referer|series %1/r/ ?.jpg 1 1|0|1.jpg|1.jpg  4000 bytes",
              "no Referer|series %1/r/ ?.jpg 1 1 --referer ''|0||1.jpg: HTTP 403 Forbidden",
              "busy, then there|series %1/b/ ?.jpg 1 1|0|1.jpg|asking again in 0 s",
              "busy, no retries|series %1/n/ ?.jpg 1 1 --retries 0|0||1.jpg: HTTP 503",
              "refusals named|extract %1/p.html|0|f%2_1.jpg|not saved: a.gif: HTTP 403 Forbidden",
              "none saved|extract %1/q.html|1||none of the page's 2 image(s)",
              "over https|series %g/s/ f%2_?.jpg 0 9 --cacert ca.pem|0|f%2_0.jpg f%2_1.jpg|",
              "a certificate for another name|series %o/s/ f%2_?.jpg 0 9 --cacert ca.pem|1||"
              "f%2_0.jpg: the server's certificate is for another name",
              "an expired certificate|series %e/s/ f%2_?.jpg 0 9 --cacert ca.pem|1||"
              "f%2_0.jpg: the server's certificate has expired",
              "an unknown authority|series %u/s/ f%2_?.jpg 0 9 --cacert ca.pem|1||"
              "f%2_0.jpg: the server's certificate comes from an authority that is not trusted",
              "from https down to http|extract %g/down.html --cacert ca.pem|1||"
              "down.html: redirect from https to http refused"});
    }
    void run()
    {
        const QStringList field = row();
        server.clearRequests();
        QTemporaryDir target;
        QProcess process;
        process.setWorkingDirectory(target.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        QString line = field[0];
        for (const auto &[mark, at] : {std::pair{"%1", &server},
                                       {"%g", &good},
                                       {"%o", &otherName},
                                       {"%e", &expired},
                                       {"%u", &unknown}})
            line.replace(mark, at->url(""));
        QStringList arguments = line.split(' ');
        arguments.replaceInStrings("cookies.txt", program.file("cookies.txt"));
        arguments.replaceInStrings("ca.pem", HttpServer::authorityFile());
        arguments.replaceInStrings("''", "");
        const qsizetype fsize = arguments.indexOf("fsize");
        const rlim_t limit = fsize < 0 ? RLIM_INFINITY : arguments.takeAt(fsize + 1).toULong();
        arguments.removeAll("fsize");
        process.setChildProcessModifier([limit] {
            const rlimit size = {limit, limit};
            std::signal(SIGXFSZ, SIG_IGN);
            ::setrlimit(RLIMIT_FSIZE, &size);
        });
        process.start(program.file("kuokuo-dl"), arguments);
        QVERIFY(process.waitForFinished(10000));
        const QString said = QString::fromUtf8(process.readAll());
        QVERIFY2(said.contains(field[3]), qPrintable(said));
        QCOMPARE(process.exitCode(), field[1].toInt());
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).join(' '), field[2]);
        // --parallel 1: not one request past the missing number.
        if (field[0].contains("--parallel 1"))
            QCOMPARE(server.requests().filter("/s/").size(), 3);
    }

private:
    HttpServer server, good{HttpServer::Tls::Good}, otherName{HttpServer::Tls::OtherName},
        expired{HttpServer::Tls::Expired}, unknown{HttpServer::Tls::UnknownAuthority};
    TestProgramFolder program;
};

QTEST_GUILESS_MAIN(KuokuoDlTest)
#include "tst_kuokuodl.moc"
