// kuokuo-dl series against curl's URL globbing: 2000 files of 16 KB from a kept-alive local
// server, alternating runs, median of each. Usage: bench_series [RUNS] [FOLDER]
#include "benchtools.h"
#include "support/httpserver.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = 2000;
    const qint64 size = 16 * 1024;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    // Where the files go: a folder on another file system (tmpfs) shows the transfers alone.
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    const QString folderTemplate = base + QStringLiteral("/kuokuo-bench-XXXXXX");

    kuokuo::test::HttpServer server;
    for (int n = 1; n <= count; ++n)
        server.file(QStringLiteral("/img/jpggif%1.jpg").arg(n, 4, 10, QLatin1Char('0')),
                    kuokuo::test::HttpServer::content(size, quint32(n)));

    const QStringList kuokuo{"series", server.url("/img/"), "jpggif????.jpg", "1",
                             QString::number(count)};
    const QStringList curl{"-s", "-O",
                           server.url(QStringLiteral("/img/jpggif[0001-%1].jpg").arg(count))};

    const auto medians =
        bench::alternate(runs, folderTemplate, KUOKUO_DL, kuokuo, "curl", curl, count);
    if (!medians)
        return 1;
    const double k = medians->kuokuo;
    const double c = medians->peer;
    bench::say(QStringLiteral("%1 files of %2 KB into %8, median of %3 runs: kuokuo-dl %4 s (%5 "
                              "files/s), curl %6 s (%7 files/s)")
                   .arg(count)
                   .arg(size / 1024)
                   .arg(runs)
                   .arg(k, 0, 'f', 3)
                   .arg(count / k, 0, 'f', 0)
                   .arg(c, 0, 'f', 3)
                   .arg(count / c, 0, 'f', 0)
                   .arg(base));
    bench::say(
        QStringLiteral("ratio kuokuo-dl/curl: %1 (target at most 1.2)").arg(k / c, 0, 'f', 2));
    return 0;
}
