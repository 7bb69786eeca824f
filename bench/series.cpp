// kuokuo-dl series against curl, alternating runs, median of each.
//   bench_series latency [RUNS]: 200 files of 16 KB from a server that adds 20 ms to every
//     answer, as a remote server does: against curl one file at a time and curl -Z with as
//     many transfers at once as kuokuo-dl; also the requests kuokuo-dl sent.
//   bench_series loopback [RUNS] [FOLDER]: 2000 files of 16 KB from a kept-alive local server
//     into FOLDER (tmpfs shows the transfers alone), against curl's URL globbing.
#include "benchtools.h"
#include "support/httpserver.h"

#include <QCoreApplication>
#include <QDir>

namespace {
constexpr qint64 Size = 16 * 1024;
constexpr int Parallel = 6; // kuokuo-dl's default

struct Series
{
    kuokuo::test::HttpServer server;
    QString kuokuoFolder;
    QString curlFolder;

    // The files 1...count under two names, so that the requests of each program can be told.
    explicit Series(int count)
    {
        for (int n = 1; n <= count; ++n) {
            const QByteArray body = kuokuo::test::HttpServer::content(Size, quint32(n));
            const QString name = QStringLiteral("jpggif%1.jpg").arg(n, 4, 10, QLatin1Char('0'));
            server.file("/k/" + name, body);
            server.file("/c/" + name, body);
        }
    }
    QString glob(int count) const
    {
        return server.url(
            QStringLiteral("/c/jpggif[0001-%1].jpg").arg(count, 4, 10, QLatin1Char('0')));
    }
};

int latency(int runs)
{
    const int count = 200;
    const auto delay = std::chrono::milliseconds(20);
    Series series(count);
    series.server.delay(delay);
    // Past the last file the series ends at the first missing number, as users run it.
    const bench::Contender kuokuo{"kuokuo-dl",
                                  KUOKUO_DL,
                                  {"series", series.server.url("/k/"), "jpggif????.jpg", "1",
                                   "1000", "--parallel", QString::number(Parallel)}};
    const bench::Contender sequential{"curl", "curl", {"-s", "-O", series.glob(count)}};
    const bench::Contender parallel{
        "curl-Z",
        "curl",
        {"-s", "-Z", "--parallel-max", QString::number(Parallel), "-O", series.glob(count)}};
    int mostRequests = 0;
    const auto medians =
        bench::alternate(runs, QString(), {kuokuo, sequential, parallel}, count, [&](size_t index) {
            if (index == 0)
                mostRequests =
                    std::max(mostRequests, int(series.server.requests().filter("/k/").size()));
            series.server.clearRequests();
        });
    if (!medians)
        return 1;
    const double k = (*medians)[0];
    const double c = (*medians)[1];
    const double z = (*medians)[2];
    // What the delay alone allows with 6 transfers at once: the server keeps up when curl -Z
    // comes close to it.
    const double ideal = count * std::chrono::duration<double>(delay).count() / Parallel;
    bench::say(QStringLiteral("%1 files of %2 KB, %3 ms added per request, median of %4 runs: "
                              "kuokuo-dl %5 s, curl %6 s, curl -Z --parallel-max %7 %8 s "
                              "(the delay alone: %9 s)")
                   .arg(QString::number(count), QString::number(Size / 1024),
                        QString::number(delay.count()), QString::number(runs),
                        QString::number(k, 'f', 3), QString::number(c, 'f', 3),
                        QString::number(Parallel), QString::number(z, 'f', 3),
                        QString::number(ideal, 'f', 3)));
    bench::say(QStringLiteral("requests sent by kuokuo-dl: at most %1 in a run (limit %2 = %3 "
                              "files + the missing one + %4 ahead)")
                   .arg(QString::number(mostRequests), QString::number(count + 1 + Parallel - 1),
                        QString::number(count), QString::number(Parallel - 1)));
    bench::say(QStringLiteral("ratio kuokuo-dl/curl-Z: %1 (target at most 1.3)")
                   .arg(QString::number(k / z, 'f', 2)));
    bench::say(QStringLiteral("ratio kuokuo-dl/curl: %1 (target at most 0.20)")
                   .arg(QString::number(k / c, 'f', 2)));
    return 0;
}

int loopback(int runs, const QString &base)
{
    const int count = 2000;
    Series series(count);
    const bench::Contender kuokuo{
        "kuokuo-dl",
        KUOKUO_DL,
        {"series", series.server.url("/k/"), "jpggif????.jpg", "1", QString::number(count)}};
    const bench::Contender curl{"curl", "curl", {"-s", "-O", series.glob(count)}};
    const auto medians = bench::alternate(runs, base + QStringLiteral("/kuokuo-bench-XXXXXX"),
                                          {kuokuo, curl}, count);
    if (!medians)
        return 1;
    const double k = (*medians)[0];
    const double c = (*medians)[1];
    bench::say(QStringLiteral("%1 files of %2 KB into %3, median of %4 runs: kuokuo-dl %5 s (%6 "
                              "files/s), curl %7 s (%8 files/s)")
                   .arg(QString::number(count), QString::number(Size / 1024), base,
                        QString::number(runs), QString::number(k, 'f', 3),
                        QString::number(count / k, 'f', 0), QString::number(c, 'f', 3),
                        QString::number(count / c, 'f', 0)));
    bench::say(QStringLiteral("ratio kuokuo-dl/curl: %1 (target at most 1.2)")
                   .arg(QString::number(k / c, 'f', 2)));
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("loopback");
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    if (mode == QLatin1String("latency"))
        return latency(runs);
    return loopback(runs, argc > 3 ? QString::fromLocal8Bit(argv[3]) : QDir::tempPath());
}
