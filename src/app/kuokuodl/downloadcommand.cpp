#include "downloadcommand.h"

#include "mascot/serihu.h"
#include "platform/signalwatcher.h"

#include <csignal>

namespace kuokuo {

namespace {
// What the cat's line means, for a program folder without the cat's lines.
QString plainMeaning(qint16 line)
{
    switch (line) {
    case Line::ExtractionFailed:
        return QStringLiteral("the page or one of its images could not be fetched or saved");
    case Line::FileMissing:
        return QStringLiteral("the file is not there (too short or not found): the series ends");
    case Line::NoNumberedName:
        return QStringLiteral("the name is too short to hold a number");
    case Line::NoPlaceholder:
        return QStringLiteral("the pattern holds no \"?\"");
    case Line::SeriesFailed:
        return QStringLiteral("stopped on an error; the files saved so far stay");
    default:
        return QStringLiteral("line %1").arg(line);
    }
}
} // namespace

DownloadCommand::DownloadCommand(const QString &folder, const CatLines &cat, ProgressLine &progress,
                                 const DownloadOptions &options)
    : m_folder(folder)
    , m_cat(cat)
    , m_progress(progress)
    , m_engine(m_inet, *this)
{
    m_engine.setParallel(options.parallel);
    m_engine.setRetries(options.retries);
    m_engine.setReferer(options.referer);
    m_inet.setMaxFileSize(options.maxFileSize);
    if (!options.caCertificates.isEmpty())
        m_inet.setCaCertificates(options.caCertificates);
    if (!options.cookies.isEmpty())
        m_ready = m_inet.loadCookies(options.cookies);
    connect(&m_inet, &Inet::progress, this,
            [this](qint64 received, qint64 total) { m_progress.update(received, total); });
    // Ctrl-C stops the transfer that runs and ends the run; a second one ends the program.
    auto *interrupts = new SignalWatcher({SIGINT, SIGTERM}, SignalWatcher::Repeat::Once, this);
    connect(interrupts, &SignalWatcher::caught, this, [this] {
        m_interrupted = true;
        m_inet.abort();
        m_engine.endWait();
    });
}

DownloadCommand::~DownloadCommand() = default;

DownloadCommand::Status DownloadCommand::series(const QString &folderAddress,
                                                const QString &pattern, qint16 first, qint16 last)
{
    m_folderAddress = folderAddress;
    const DownloadEngine::RunEnd end =
        m_engine.numberedRun(pattern, rennbannfield(pattern), first, last);
    return finish(end == DownloadEngine::RunEnd::PassedLast ||
                  end == DownloadEngine::RunEnd::Missing);
}

DownloadCommand::Status DownloadCommand::extract(const QString &pageAddress,
                                                 std::optional<qint16> probeStart)
{
    m_probeStart = probeStart;
    const DownloadEngine::ExtractionEnd end = m_engine.extract(pageAddress, probeStart.has_value());
    // A page that names images of which none could be saved is a failure too.
    if (end == DownloadEngine::ExtractionEnd::Finished && m_imagesSaved == 0 &&
        m_imagesRefused > 0) {
        m_progress.message(QStringLiteral("kuokuo-dl: none of the page's %1 image(s) could be "
                                          "saved")
                               .arg(m_imagesRefused));
        return finish(false);
    }
    return finish(end == DownloadEngine::ExtractionEnd::Finished ||
                  end == DownloadEngine::ExtractionEnd::NoImages);
}

// Why a run failed, then what it saved.
DownloadCommand::Status DownloadCommand::finish(bool normal)
{
    if (!normal)
        failure();
    m_progress.message(QStringLiteral("kuokuo-dl: %1 file(s) saved in %2")
                           .arg(QString::number(m_saved), m_folder));
    return normal ? Success : Failure;
}

void DownloadCommand::failure()
{
    if (m_interrupted)
        m_progress.message(QStringLiteral("kuokuo-dl: interrupted"));
    else if (!m_engine.lastError().isEmpty())
        m_progress.message(QStringLiteral("kuokuo-dl: ") + m_engine.lastError());
}

void DownloadCommand::fetchingPage(const QString &address)
{
    m_progress.startPage(address);
}

void DownloadCommand::fetching(const QString &name, int number)
{
    m_progress.start(number, name);
}

void DownloadCommand::numberedSaved(qint16 number, const QString &name, qint64 size)
{
    ++m_saved;
    m_progress.done(number, name, size);
}

void DownloadCommand::imageSaved(int place, const QString &name, qint64 size)
{
    ++m_saved;
    ++m_imagesSaved;
    m_progress.done(place, name, size);
}

void DownloadCommand::imageRefused(int, const Refusal &why)
{
    ++m_imagesRefused;
    m_progress.message(QStringLiteral("kuokuo-dl: not saved: ") + why.text());
}

void DownloadCommand::waiting(const Refusal &why, int seconds)
{
    m_progress.message(QStringLiteral("kuokuo-dl: %1; asking again in %2 s")
                           .arg(why.text(), QString::number(seconds)));
}

void DownloadCommand::speak(qint16 line)
{
    const QString words = m_cat.text(line);
    m_progress.message(QStringLiteral("KUOKUO: ") + (words.isEmpty() ? plainMeaning(line) : words));
    if (line == Line::FileMissing)
        m_progress.message(QStringLiteral("kuokuo-dl: ") + m_engine.lastError());
}

void DownloadCommand::status(const QString &text)
{
    m_progress.message(QStringLiteral("KUOKUO: ") + text);
}

// It looks in the folder of the image's own address.
std::optional<qint16> DownloadCommand::probeStart(const QString &, const QString &,
                                                  const QString &folder)
{
    m_folderAddress = folder;
    return m_probeStart;
}

void DownloadCommand::probeEnded(DownloadEngine::RunEnd end)
{
    if (end == DownloadEngine::RunEnd::Failed)
        failure();
}

} // namespace kuokuo
