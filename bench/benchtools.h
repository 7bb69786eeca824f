#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
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

// One program of a comparison, and how to call it.
struct Contender
{
    QString label;
    QString program;
    QStringList arguments;
};

// The median wall time of each contender, all run `runs` times in turn, each run in a fresh
// folder made from `folderTemplate` (empty: the system's temporary folder) and expected to leave
// `files` files there; `after(index)` runs after each run of contender `index`. Nothing when a
// run fails.
inline std::optional<std::vector<double>> alternate(int runs, const QString &folderTemplate,
                                                    const std::vector<Contender> &contenders,
                                                    int files,
                                                    const std::function<void(size_t)> &after = {})
{
    std::vector<std::vector<double>> times(contenders.size());
    for (int run = 0; run < runs; ++run) {
        QStringList line;
        for (size_t i = 0; i < contenders.size(); ++i) {
            const auto folder = folderTemplate.isEmpty()
                                    ? std::make_unique<QTemporaryDir>()
                                    : std::make_unique<QTemporaryDir>(folderTemplate);
            const Contender &contender = contenders[i];
            const double time = timeProgram(contender.program, contender.arguments, folder->path());
            if (after)
                after(i);
            if (time < 0 || filesIn(folder->path()) != files) {
                say(QStringLiteral("a run of %1 failed (%2 files)")
                        .arg(contender.label, QString::number(filesIn(folder->path()))));
                return std::nullopt;
            }
            times[i].push_back(time);
            line << QStringLiteral("%1 %2 s").arg(contender.label, QString::number(time, 'f', 3));
        }
        say(QStringLiteral("run %1: ").arg(run + 1) + line.join(QStringLiteral(", ")));
    }
    std::vector<double> medians;
    for (const std::vector<double> &each : times)
        medians.push_back(median(each));
    return medians;
}

} // namespace bench
