// The page scanner against grep over the same generated page: speed, and that 4 times the page
// takes at most 4.5 times as long.
#include "benchtools.h"
#include "download/gazouchuushutsu.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

namespace {
// A page of images, scripts and text, `size` bytes of UTF-8 or a little more.
QByteArray makePage(qint64 size)
{
    QRandomGenerator random(20240601);
    QByteArray page = "<html><head><title>ギャラリー</title></head><body>\n";
    int n = 0;
    while (page.size() < size) {
        switch (random.bounded(6)) {
        case 0:
            page += QStringLiteral("<img src=\"images/pic%1.jpg\" width=120 height=90 "
                                   "alt=\"写真%1\">\n")
                        .arg(++n, 5, 10, QLatin1Char('0'))
                        .toUtf8();
            break;
        case 1:
            page += QStringLiteral("<IMG SRC=/thumbs/t%1.GIF lowsrc=\"/low/l%1.gif\"><img "
                                   "src='x%1.png'>\n")
                        .arg(++n)
                        .toUtf8();
            break;
        case 2:
            page += "<script type=\"text/javascript\">var src = document.images[0].src; "
                    "if (a == b) { x.src = '/cgi-bin/count.gif?' + n; }</script>\n";
            break;
        case 3:
            page += "<p>今日の写真です。猫がひなたぼっこをしていました。The cat sat on the warm "
                    "stones of the garden path all afternoon, and nobody disturbed it.</p>\n";
            break;
        case 4:
            page += "<a href=\"page2.html\">next page</a> <a href=\"index.html\">index</a>\n";
            break;
        default:
            page += "<table><tr><td class=\"c\">1</td><td>2</td><td>3</td></tr></table>\n";
            break;
        }
    }
    return page + "</body></html>\n";
}

// A plain pass over the same characters: what the memory alone costs.
double timeSweep(const QString &page, quint64 &sum)
{
    QElapsedTimer clock;
    clock.start();
    for (const QChar c : page)
        sum += c.unicode();
    return clock.nsecsElapsed() / 1e9;
}

double timeScan(const QString &page, qsizetype &found)
{
    QElapsedTimer clock;
    clock.start();
    found = kuokuo::gazouchuushutsu(page).size();
    return clock.nsecsElapsed() / 1e9;
}

double timeGrep(const QString &file)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double seconds =
            bench::timeProgram(QStringLiteral("grep"), {"-o", "-i", "-E", "src=[^ >]*", file},
                               QDir::tempPath(), file + QStringLiteral(".found"));
        if (seconds < 0)
            return -1;
        best = std::min(best, seconds);
    }
    return best;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 size = 32 * 1024 * 1024;
    QTemporaryDir folder;

    const QByteArray bytes = makePage(size);
    const QString path = folder.filePath("page.html");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();
    const QString page = QString::fromUtf8(bytes);
    const double megabytes = bytes.size() / 1048576.0;

    // The page and four times the page, in turns, the fastest run of each: other work on the
    // machine then disturbs both alike.
    const QString fourTimes = page + page + page + page;
    qsizetype found = 0;
    qsizetype foundFour = 0;
    double scanner = 1e9;
    double scannerFour = 1e9;
    double sweep = 1e9;
    double sweepFour = 1e9;
    quint64 sum = 0;
    for (int run = 0; run < 15; ++run) {
        scanner = std::min(scanner, timeScan(page, found));
        scannerFour = std::min(scannerFour, timeScan(fourTimes, foundFour));
        sweep = std::min(sweep, timeSweep(page, sum));
        sweepFour = std::min(sweepFour, timeSweep(fourTimes, sum));
    }
    const double grep = timeGrep(path);
    bench::say(QStringLiteral("page: %1 MB, %2 images found").arg(megabytes, 0, 'f', 1).arg(found));
    bench::say(QStringLiteral("gazouchuushutsu: %1 s, %2 MB/s")
                   .arg(scanner, 0, 'f', 3)
                   .arg(megabytes / scanner, 0, 'f', 0));
    bench::say(QStringLiteral("grep -o -i -E 'src=[^ >]*': %1 s, %2 MB/s")
                   .arg(grep, 0, 'f', 3)
                   .arg(megabytes / grep, 0, 'f', 0));

    const double growth = scannerFour / scanner;
    bench::say(QStringLiteral("linearity: 4 x the page takes %1 x the time (at most 4.5; a plain "
                              "pass over the same memory takes %2 x): %3")
                   .arg(growth, 0, 'f', 2)
                   .arg(sweepFour / sweep, 0, 'f', 2)
                   .arg(growth <= 4.5 && foundFour == 4 * found ? "linear" : "NOT LINEAR"));
    if (sum == 42)
        bench::say(QString()); // keeps the sweep from being optimised away
    bench::say(QStringLiteral("ratio scanner/grep: %1").arg(scanner / grep, 0, 'f', 2));
    return 0;
}
