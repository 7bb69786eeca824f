// Peak resident memory of kuokuo-dl fetching one numbered file of 512 MB (GNU time's maximum
// resident set size), against the 64 MB it must stay below; curl's for comparison.
#include "benchtools.h"
#include "support/httpserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
// Maximum resident set size in KB, or -1.
long peakKilobytes(const QString &program, const QStringList &arguments, const QString &folder)
{
    const QString report = QDir(folder).filePath("../time-report");
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start("/usr/bin/time", QStringList{"-f", "%M", "-o", report, program} + arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().trimmed().toLong();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 size = 512LL * 1024 * 1024;
    kuokuo::test::HttpServer server;
    server.generated("/big/big001.jpg", size);

    QTemporaryDir outer;
    QDir(outer.path()).mkdir("k");
    QDir(outer.path()).mkdir("c");
    const long kuokuo = peakKilobytes(
        KUOKUO_DL, {"series", server.url("/big/"), "big???.jpg", "1", "1"}, outer.filePath("k"));
    const qint64 kuokuoSize = QFileInfo(outer.filePath("k/big001.jpg")).size();
    QFile::remove(outer.filePath("k/big001.jpg"));
    const long curl =
        peakKilobytes("curl", {"-s", "-O", server.url("/big/big001.jpg")}, outer.filePath("c"));
    if (kuokuo < 0 || kuokuoSize != size) {
        bench::say("the kuokuo-dl run failed");
        return 1;
    }
    bench::say(QStringLiteral("one file of %1 MB").arg(size >> 20));
    bench::say(QStringLiteral("peak resident memory: kuokuo-dl %1 MB, curl %2 MB")
                   .arg(kuokuo / 1024.0, 0, 'f', 1)
                   .arg(curl / 1024.0, 0, 'f', 1));
    bench::say(QStringLiteral("ratio kuokuo-dl/limit of 64 MB: %1 (%2)")
                   .arg(kuokuo / 1024.0 / 64.0, 0, 'f', 2)
                   .arg(kuokuo < 64 * 1024 ? "below the limit" : "ABOVE THE LIMIT"));
    return 0;
}
