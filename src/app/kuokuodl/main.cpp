#include "catlines.h"
#include "common/number.h"
#include "common/programfolder.h"
#include "download/rennbann.h"
#include "downloadcommand.h"
#include "mascot/serihu.h"
#include "progressline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cstdio>
#include <unistd.h>

using namespace kuokuo;

namespace {
// More requests at once than any server would welcome from one client.
constexpr int MaxParallel = 64;

const char Usage[] =
    "Usage: kuokuo-dl series FOLDER_URL PATTERN FIRST LAST [-d DIR] [--parallel N]\n"
    "       kuokuo-dl extract PAGE_URL [-d DIR] [--probe START] [--parallel N]\n"
    "\n"
    "series   fetches the numbered files FOLDER_URL + PATTERN for the numbers FIRST to LAST\n"
    "         (-32768 to 32767) into DIR and stops at the first file that is not there\n"
    "         (an error status, or a file under 3000 bytes, which is removed). In PATTERN a\n"
    "         run of \"?\" stands for the number (jpggif???.jpg); a file name is turned into\n"
    "         a pattern by replacing its digits before the last four characters.\n"
    "extract  saves the JPEG and GIF images that the page PAGE_URL references into DIR.\n"
    "         With --probe, every image whose name holds digits is followed by a search for\n"
    "         its hidden series in its own folder, from START (at most 1000) up to 1000.\n"
    "\n"
    "DIR is the current folder unless given. Up to N requests (1 to 64, 6 unless given)\n"
    "travel at once; the files are still saved, and the run ends, in their order.\n"
    "Exit status: 0 when the run ended normally (also at the first missing file), 1 when\n"
    "it failed, 2 for bad arguments.\n";

void print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

int badArguments(const QString &why)
{
    print(QStringLiteral("kuokuo-dl: %1\n\n").arg(why));
    std::fputs(Usage, stderr);
    return DownloadCommand::BadArguments;
}

struct Arguments
{
    QStringList positional;
    QString folder = QDir::currentPath();
    std::optional<QString> probe;
    std::optional<QString> parallel;
    QString error;
};

Arguments parse(const QStringList &list)
{
    Arguments arguments;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &argument = list.at(i);
        if (argument == QLatin1String("-d") || argument == QLatin1String("--probe") ||
            argument == QLatin1String("--parallel")) {
            if (i + 1 >= list.size()) {
                arguments.error = QStringLiteral("%1 needs a value").arg(argument);
                return arguments;
            }
            if (argument == QLatin1String("-d"))
                arguments.folder = list.at(++i);
            else if (argument == QLatin1String("--probe"))
                arguments.probe = list.at(++i);
            else
                arguments.parallel = list.at(++i);
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1 &&
                   !argument.at(1).isDigit()) {
            arguments.error = QStringLiteral("unknown option %1").arg(argument);
            return arguments;
        } else {
            arguments.positional << argument;
        }
    }
    return arguments;
}
} // namespace

int main(int argc, char *argv[])
{
    // Qt's own event dispatcher: it watches the transfers' sockets at less cost per wake-up than
    // the GLib main loop.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kuokuonavi"));
    // The debug trace is for developers (QT_LOGGING_RULES turns it on): the run tells its
    // failures on its own lines.
    QLoggingCategory::setFilterRules(QStringLiteral("kuokuo.*.debug=false"));

    QStringList list = QCoreApplication::arguments().mid(1);
    if (list.contains(QLatin1String("-h")) || list.contains(QLatin1String("--help"))) {
        std::fputs(Usage, stdout);
        return DownloadCommand::Success;
    }
    if (list.isEmpty())
        return badArguments(QStringLiteral("nothing to do"));
    const QString command = list.takeFirst();
    const Arguments arguments = parse(list);
    if (!arguments.error.isEmpty())
        return badArguments(arguments.error);
    if (command != QLatin1String("series") && command != QLatin1String("extract"))
        return badArguments(QStringLiteral("unknown command %1").arg(command));
    const QFileInfo folder(arguments.folder);
    if (!folder.isDir())
        return badArguments(QStringLiteral("%1 is not a folder").arg(arguments.folder));

    int parallel = DownloadEngine::DefaultParallel;
    if (arguments.parallel) {
        const std::optional<qint16> requests = toInt16(*arguments.parallel);
        if (!requests || *requests < 1 || *requests > MaxParallel)
            return badArguments(QStringLiteral("N is a number from 1 to %1").arg(MaxParallel));
        parallel = *requests;
    }

    // The same program folder as the navigator's: the cat's lines are found there.
    const CatLines cat(ProgramFolder::forThisProgram());
    ProgressLine progress(stderr, ::isatty(STDERR_FILENO));
    DownloadCommand run(folder.absoluteFilePath(), cat, progress, parallel);

    if (command == QLatin1String("series")) {
        if (arguments.positional.size() != 4 || arguments.probe)
            return badArguments(QStringLiteral("series takes FOLDER_URL PATTERN FIRST LAST"));
        const QString &folderAddress = arguments.positional.at(0);
        QString pattern = arguments.positional.at(1);
        if (!pattern.contains(QLatin1Char('?'))) {
            const std::optional<QString> made = rennbannpattern(pattern);
            if (!made) {
                run.say(Line::NoNumberedName);
                return badArguments(QStringLiteral("%1 is too short for a pattern").arg(pattern));
            }
            pattern = *made;
        }
        if (!pattern.contains(QLatin1Char('?'))) {
            run.say(Line::NoPlaceholder);
            return badArguments(QStringLiteral("%1 holds no number").arg(pattern));
        }
        const std::optional<qint16> first = toInt16(arguments.positional.at(2));
        const std::optional<qint16> last = toInt16(arguments.positional.at(3));
        if (!first || !last)
            return badArguments(QStringLiteral("FIRST and LAST are numbers from -32768 to 32767"));
        if (!folderAddress.endsWith(QLatin1Char('/')))
            progress.message(QStringLiteral("kuokuo-dl: %1 does not end in \"/\": the names are "
                                            "appended to it as they are")
                                 .arg(folderAddress));
        return run.series(folderAddress, pattern, *first, *last);
    }

    if (arguments.positional.size() != 1)
        return badArguments(QStringLiteral("extract takes one PAGE_URL"));
    std::optional<qint16> probeStart;
    if (arguments.probe) {
        probeStart = toInt16(*arguments.probe);
        if (!DownloadEngine::isProbeStart(*arguments.probe) || !probeStart)
            return badArguments(QStringLiteral("START is a number from -32768 to 1000"));
    }
    return run.extract(arguments.positional.at(0), probeStart);
}
