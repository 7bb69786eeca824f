#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

} // namespace bench
