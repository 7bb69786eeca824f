// kuokuo-dl extract against wget's page requisites: a page with 500 JPEG and GIF images (some
// named in upper case) from a local server, alternating runs, median of each. Files go to
// FOLDER (tmpfs shows the transfers alone). Usage: bench_extract [RUNS] [FOLDER]
#include "benchtools.h"
#include "support/httpserver.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = 500;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();

    kuokuo::test::HttpServer server;
    QByteArray page = "<html><head><title>gallery</title></head><body>\n";
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("photo-%1.%2")
                                 .arg(QString::number(n), n % 5 == 0 ? QStringLiteral("JPG")
                                                          : n % 2    ? QStringLiteral("jpg")
                                                                     : QStringLiteral("gif"));
        page += QStringLiteral("<p>picture %1</p><img src=\"images/%2\" width=\"200\">\n")
                    .arg(QString::number(n), name)
                    .toUtf8();
        server.file("/gallery/images/" + name,
                    kuokuo::test::HttpServer::content(20000 + 97 * n, quint32(n)));
    }
    server.file("/gallery/index.html", page + "</body></html>\n", "text/html");
    const QString address = server.url("/gallery/index.html");

    const auto medians = bench::alternate(
        runs, base + QStringLiteral("/kuokuo-bench-XXXXXX"),
        {{"kuokuo-dl", KUOKUO_DL, {"extract", address}},
         {"wget", "wget", {"-q", "-p", "-nd", "-A", "jpg,gif", "--ignore-case", address}}},
        count);
    if (!medians)
        return 1;
    const double k = (*medians)[0];
    const double w = (*medians)[1];
    bench::say(QStringLiteral("a page with %1 images into %2, median of %3 runs: kuokuo-dl %4 s, "
                              "wget %5 s")
                   .arg(QString::number(count), base, QString::number(runs),
                        QString::number(k, 'f', 3), QString::number(w, 'f', 3)));
    bench::say(QStringLiteral("ratio kuokuo-dl/wget: %1 (target at most 1.0)")
                   .arg(QString::number(k / w, 'f', 2)));
    return 0;
}
