#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

// Small helpers of the benchmarks: run a program, time it, take medians.
namespace bench {

// Runs `program` in `folder`; the wall time in seconds, or -1 when it did not end well. Its
// output goes to `output`, or is thrown away (grep stops at the first match when its output is
// the null device, so a real file keeps it honest).
inline double timeProgram(const QString &program, const QStringList &arguments,
                          const QString &folder, const QString &output = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(output.isEmpty() ? QProcess::nullDevice() : output);
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e9;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline int filesIn(const QString &folder)
{
    return int(QDir(folder).entryList(QDir::Files).size());
}

inline void say(const QString &text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// The medians of kuokuo-dl and a peer tool, each run `runs` times in turn, each run in a fresh
// folder made from `folderTemplate` (empty: the system's temporary folder) and expected to leave
// `files` files there. Nothing when a run fails.
struct Medians
{
    double kuokuo = 0;
    double peer = 0;
};

inline std::optional<Medians> alternate(int runs, const QString &folderTemplate,
                                        const QString &kuokuo, const QStringList &kuokuoArguments,
                                        const QString &peer, const QStringList &peerArguments,
                                        int files)
{
    std::vector<double> kuokuoTimes;
    std::vector<double> peerTimes;
    const auto folder = [&] {
        return folderTemplate.isEmpty() ? std::make_unique<QTemporaryDir>()
                                        : std::make_unique<QTemporaryDir>(folderTemplate);
    };
    for (int run = 0; run < runs; ++run) {
        const auto first = folder();
        const double k = timeProgram(kuokuo, kuokuoArguments, first->path());
        const auto second = folder();
        const double p = timeProgram(peer, peerArguments, second->path());
        if (k < 0 || p < 0 || filesIn(first->path()) != files || filesIn(second->path()) != files) {
            say(QStringLiteral("a run failed (%1 and %2 files)")
                    .arg(filesIn(first->path()))
                    .arg(filesIn(second->path())));
            return std::nullopt;
        }
        kuokuoTimes.push_back(k);
        peerTimes.push_back(p);
        say(QStringLiteral("run %1: kuokuo-dl %2 s, %3 %4 s")
                .arg(run + 1)
                .arg(k, 0, 'f', 3)
                .arg(peer)
                .arg(p, 0, 'f', 3));
    }
    return Medians{median(kuokuoTimes), median(peerTimes)};
}

} // namespace bench
