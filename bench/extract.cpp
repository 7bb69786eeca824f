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

    const auto medians = bench::alternate(runs, QString(), KUOKUO_DL, {"extract", address}, "wget",
                                          {"-q", "-p", "-nd", "-A", "jpg,gif", address}, count);
    if (!medians)
        return 1;
    const double k = medians->kuokuo;
    const double w = medians->peer;
    bench::say(QStringLiteral("a page with %1 images, median of %2 runs: kuokuo-dl %3 s, wget %4 s")
                   .arg(count)
                   .arg(runs)
                   .arg(k, 0, 'f', 3)
                   .arg(w, 0, 'f', 3));
    bench::say(QStringLiteral("ratio kuokuo-dl/wget: %1").arg(k / w, 0, 'f', 2));
    return 0;
}
