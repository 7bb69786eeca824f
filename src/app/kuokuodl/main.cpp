#include "catlines.h"
#include "common/number.h"
#include "common/programfolder.h"
#include "download/fetchrules.h"
#include "download/rennbann.h"
#include "downloadcommand.h"
#include "mascot/serihu.h"
#include "progressline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMap>

#include <cstdio>
#include <limits>
#include <unistd.h>
#include <variant>

using namespace kuokuo;

namespace {
// More requests at once than any server would welcome from one client.
constexpr int MaxParallel = 64;
// More tries than that only make a run hang on a server that stays busy.
constexpr int MaxRetries = 10;

// Kept within 80 columns, as a terminal shows it.
const char Usage[] =
    "Usage: kuokuo-dl series FOLDER_URL PATTERN FIRST LAST [OPTION]...\n"
    "       kuokuo-dl extract PAGE_URL [--probe START] [OPTION]...\n"
    "\n"
    "series   fetches the numbered files FOLDER_URL + PATTERN for the numbers\n"
    "         FIRST to LAST (-32768 to 32767) into DIR and stops at the first file\n"
    "         that is not there (an error status, a web page instead of the file, or\n"
    "         a file under 3000 bytes; nothing is written for it). In PATTERN a run\n"
    "         of \"?\" stands for the number (jpggif???.jpg); a file name is turned\n"
    "         into a pattern by replacing its digits before the last four\n"
    "         characters. PATTERN is a file name: no \"/\", \"\\\" or \"..\".\n"
    "extract  saves the JPEG and GIF images that the page PAGE_URL references into\n"
    "         DIR; an image that is refused is named with the reason and the page\n"
    "         goes on. With --probe, every image whose name holds digits is\n"
    "         followed by a search for its hidden series in its own folder, from\n"
    "         START (at most 1000) up to 1000.\n"
    "\n"
    "Options:\n"
    "  -d DIR               the folder the files are saved in (the current folder)\n"
    "  --parallel N         up to N requests (1 to 64, 6 unless given) travel at\n"
    "                       once; the files are still saved, and the run ends, in\n"
    "                       their order\n"
    "  --retries N          ask a busy server (503, 429, no answer) again up to N\n"
    "                       times (0 to 10, 2 unless given), after its Retry-After\n"
    "                       or 1 s, then 3 s\n"
    "  --referer URL        send this Referer with every request ('' sends none);\n"
    "                       without it the page's or the folder's address, as a\n"
    "                       browser sends it\n"
    "  --cookies FILE       send the cookies of a Netscape cookies.txt file (as\n"
    "                       curl -b and wget --load-cookies read it); cookies the\n"
    "                       servers set are kept for the rest of the run\n"
    "  --cacert FILE        trust the certificate authorities of this PEM file too\n"
    "  --max-filesize SIZE  save no file larger than SIZE bytes (K, M and G\n"
    "                       suffixes; 1G unless given)\n"
    "  -h, --help           print this text\n"
    "\n"
    "Exit status: 0 when the run ended normally (also at the first missing file),\n"
    "1 when it failed or a page's images could none be saved, 2 for bad arguments.\n";

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

// The options that take a value, and the values given.
const QStringList ValueOptions = {QStringLiteral("-d"),         QStringLiteral("--probe"),
                                  QStringLiteral("--parallel"), QStringLiteral("--retries"),
                                  QStringLiteral("--referer"),  QStringLiteral("--cookies"),
                                  QStringLiteral("--cacert"),   QStringLiteral("--max-filesize")};

struct Arguments
{
    QStringList positional;
    QMap<QString, QString> values;
    QString error;

    std::optional<QString> value(const char *option) const
    {
        const auto found = values.find(QLatin1String(option));
        return found == values.end() ? std::nullopt : std::optional<QString>(*found);
    }
};

Arguments parse(const QStringList &list)
{
    Arguments arguments;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &argument = list.at(i);
        if (ValueOptions.contains(argument)) {
            if (i + 1 >= list.size()) {
                arguments.error = QStringLiteral("%1 needs a value").arg(argument);
                return arguments;
            }
            arguments.values[argument] = list.at(++i);
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

// A whole number from `low` to `high`.
std::optional<int> boundedNumber(const std::optional<QString> &text, int low, int high)
{
    const std::optional<qint16> number = toInt16(text.value_or(QString()));
    return number && *number >= low && *number <= high ? std::optional<int>(*number) : std::nullopt;
}

// "500", "64K", "2M", "1G" (also lower case), as curl reads --max-filesize; nothing when not.
std::optional<qint64> byteSize(QString text)
{
    int shift = 0;
    const QChar unit = text.isEmpty() ? QChar() : text.back().toUpper();
    if (unit == QLatin1Char('K') || unit == QLatin1Char('M') || unit == QLatin1Char('G')) {
        shift = unit == QLatin1Char('K') ? 10 : unit == QLatin1Char('M') ? 20 : 30;
        text.chop(1);
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number <= 0 || number > (std::numeric_limits<qint64>::max() >> shift))
        return std::nullopt;
    return number << shift;
}

// The options of a run; an error text when one is wrong.
std::variant<DownloadOptions, QString> options(const Arguments &arguments)
{
    DownloadOptions options;
    if (arguments.value("--parallel")) {
        const auto requests = boundedNumber(arguments.value("--parallel"), 1, MaxParallel);
        if (!requests)
            return QStringLiteral("N is a number from 1 to %1").arg(MaxParallel);
        options.parallel = *requests;
    }
    if (arguments.value("--retries")) {
        const auto retries = boundedNumber(arguments.value("--retries"), 0, MaxRetries);
        if (!retries)
            return QStringLiteral("--retries takes a number from 0 to %1").arg(MaxRetries);
        options.retries = *retries;
    }
    if (const auto size = arguments.value("--max-filesize")) {
        const std::optional<qint64> bytes = byteSize(*size);
        if (!bytes)
            return QStringLiteral("--max-filesize takes a size such as 500K, 20M or 1G");
        options.maxFileSize = *bytes;
    }
    if (const auto referer = arguments.value("--referer"))
        options.referer = referer->toUtf8();
    for (const char *file : {"--cookies", "--cacert"}) {
        const QString path = arguments.value(file).value_or(QString());
        if (arguments.value(file) && !QFileInfo(path).isReadable())
            return QStringLiteral("%1 cannot be read").arg(path);
    }
    options.cookies = arguments.value("--cookies").value_or(QString());
    options.caCertificates = arguments.value("--cacert").value_or(QString());
    return options;
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
    const QString folderPath = arguments.value("-d").value_or(QDir::currentPath());
    const QFileInfo folder(folderPath);
    if (!folder.isDir())
        return badArguments(QStringLiteral("%1 is not a folder").arg(folderPath));
    const auto given = options(arguments);
    if (const QString *error = std::get_if<QString>(&given))
        return badArguments(*error);

    // The same program folder as the navigator's: the cat's lines are found there.
    const CatLines cat(ProgramFolder::forThisProgram());
    ProgressLine progress(stderr, ::isatty(STDERR_FILENO));
    DownloadCommand run(folder.absoluteFilePath(), cat, progress, std::get<DownloadOptions>(given));
    if (!run.ready())
        return badArguments(
            QStringLiteral("the cookies of %1 cannot be read").arg(*arguments.value("--cookies")));

    const std::optional<QString> probe = arguments.value("--probe");
    if (command == QLatin1String("series")) {
        if (arguments.positional.size() != 4 || probe)
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
        if (!isPlainFileName(pattern))
            return badArguments(QStringLiteral("%1 is not a plain file name: the files would be "
                                               "saved outside %2")
                                    .arg(pattern, folderPath));
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
    if (probe) {
        probeStart = toInt16(*probe);
        if (!DownloadEngine::isProbeStart(*probe) || !probeStart)
            return badArguments(QStringLiteral("START is a number from -32768 to 1000"));
    }
    return run.extract(arguments.positional.at(0), probeStart);
}
