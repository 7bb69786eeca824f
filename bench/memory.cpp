// Peak resident memory (GNU time's maximum resident set size) of kuokuo-dl fetching a series of
// five files of 200 MB, which it fetches side by side, in every run against the limit of 48 MB;
// curl's for comparison. Usage: bench_memory [RUNS] [FOLDER]
#include "benchtools.h"
#include "support/httpserver.h"

#include <QCoreApplication>
#include <QFile>

namespace {
constexpr int Files = 5;
constexpr qint64 Size = 200LL * 1024 * 1024;
constexpr long LimitKilobytes = 48 * 1024;

// Maximum resident set size in KB, or -1 when the run failed or left other than `Files` files.
long peakKilobytes(const QString &program, const QStringList &arguments, const QString &base)
{
    QTemporaryDir folder(base + QStringLiteral("/kuokuo-bench-XXXXXX"));
    const QString report = folder.filePath(QStringLiteral("time-report"));
    const QString files = folder.filePath(QStringLiteral("files"));
    QDir(folder.path()).mkdir(QStringLiteral("files"));
    if (bench::timeProgram("/usr/bin/time",
                           QStringList{"-f", "%M", "-o", report, program} + arguments, files) < 0 ||
        bench::filesIn(files) != Files)
        return -1;
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().trimmed().toLong();
}

QString megabytes(long kilobytes)
{
    return QString::number(kilobytes / 1024.0, 'f', 1);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    // tmpfs spares the disk a few gigabytes; its pages are not the programs' resident memory.
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    kuokuo::test::HttpServer server;
    for (int n = 1; n <= Files; ++n)
        server.generated(QStringLiteral("/big/big%1.jpg").arg(n, 3, 10, QLatin1Char('0')), Size);

    std::vector<double> kuokuo;
    std::vector<double> curl;
    for (int run = 1; run <= runs; ++run) {
        const long k = peakKilobytes(
            KUOKUO_DL, {"series", server.url("/big/"), "big???.jpg", "1", QString::number(Files)},
            base);
        const long c = peakKilobytes(
            "curl",
            {"-s", "-Z", "-O", server.url(QStringLiteral("/big/big[001-%1].jpg").arg(Files))},
            base);
        if (k < 0 || c < 0) {
            bench::say(QStringLiteral("run %1 failed").arg(run));
            return 1;
        }
        bench::say(QStringLiteral("run %1: kuokuo-dl %2 MB, curl -Z %3 MB")
                       .arg(QString::number(run), megabytes(k), megabytes(c)));
        kuokuo.push_back(k);
        curl.push_back(c);
    }
    const long most = long(*std::max_element(kuokuo.begin(), kuokuo.end()));
    bench::say(QStringLiteral("%1 files of %2 MB, %3 runs: peak resident memory of kuokuo-dl at "
                              "most %4 MB (median %5 MB), curl -Z median %6 MB")
                   .arg(QString::number(Files), QString::number(Size >> 20), QString::number(runs),
                        megabytes(most), megabytes(long(bench::median(kuokuo))),
                        megabytes(long(bench::median(curl)))));
    bench::say(QStringLiteral("ratio kuokuo-dl/limit of 48 MB, highest run: %1 (%2)")
                   .arg(QString::number(double(most) / LimitKilobytes, 'f', 2),
                        most < LimitKilobytes ? QStringLiteral("below the limit in every run")
                                              : QStringLiteral("ABOVE THE LIMIT")));
    return 0;
}
