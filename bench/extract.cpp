// kuokuo-dl extract against wget's page requisites: a page with 200 images from a local
// server, alternating runs, median of each.
#include "benchtools.h"
#include "support/httpserver.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = 200;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    kuokuo::test::HttpServer server;
    QByteArray page = "<html><head><title>gallery</title></head><body>\n";
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("photo-%1.%2").arg(n).arg(n % 2 ? "jpg" : "gif");
        page += QStringLiteral("<p>picture %1</p><img src=\"images/%2\" width=\"200\">\n")
                    .arg(n)
                    .arg(name)
                    .toUtf8();
        server.file("/gallery/images/" + name,
                    kuokuo::test::HttpServer::content(20000 + 97 * n, quint32(n)));
    }
    server.file("/gallery/index.html", page + "</body></html>\n", "text/html");
    const QString address = server.url("/gallery/index.html");

    std::vector<double> kuokuoTimes;
    std::vector<double> wgetTimes;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir first;
        const double k = bench::timeProgram(KUOKUO_DL, {"extract", address}, first.path());
        QTemporaryDir second;
        const double w = bench::timeProgram("wget", {"-q", "-p", "-nd", "-A", "jpg,gif", address},
                                            second.path());
        if (k < 0 || w < 0 || bench::filesIn(first.path()) != count ||
            bench::filesIn(second.path()) != count) {
            bench::say(QStringLiteral("a run failed (%1 and %2 files)")
                           .arg(bench::filesIn(first.path()))
                           .arg(bench::filesIn(second.path())));
            return 1;
        }
        kuokuoTimes.push_back(k);
        wgetTimes.push_back(w);
        bench::say(QStringLiteral("run %1: kuokuo-dl %2 s, wget %3 s")
                       .arg(run + 1)
                       .arg(k, 0, 'f', 3)
                       .arg(w, 0, 'f', 3));
    }
    const double k = bench::median(kuokuoTimes);
    const double w = bench::median(wgetTimes);
    bench::say(QStringLiteral("a page with %1 images, median of %2 runs: kuokuo-dl %3 s, wget %4 s")
                   .arg(count)
                   .arg(runs)
                   .arg(k, 0, 'f', 3)
                   .arg(w, 0, 'f', 3));
    bench::say(QStringLiteral("ratio kuokuo-dl/wget: %1").arg(k / w, 0, 'f', 2));
    return 0;
}
