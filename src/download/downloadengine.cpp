#include "download/downloadengine.h"

#include "common/number.h"
#include "common/programfolder.h"
#include "download/gazouchuushutsu.h"
#include "download/pagetext.h"
#include "download/partfile.h"
#include "mascot/serihu.h"
#include "platform/inet.h"

#include <deque>
#include <memory>

namespace kuokuo {

namespace {
// An error status means that the file does not exist: the server's error page is no image.
bool isErrorStatus(int status)
{
    return status >= 400;
}
} // namespace

// One request of a run: its body arrives in a file of its own and waits there until the files
// before it have been handled.
struct DownloadEngine::Slot
{
    QString name;
    QString address;
    std::unique_ptr<PartFile> part;
    std::unique_ptr<InetTransfer> transfer; // none when the file could not be made
    QString error;
};

// The requests of one run, oldest first. A probe's window opens while a page's is still open:
// both count against the same number of requests in flight, and neither has more than that
// many requests out, so at most parallel - 1 go past the file that ends a run.
class DownloadEngine::RequestWindow
{
public:
    explicit RequestWindow(DownloadEngine &engine)
        : m_engine(engine)
        , m_enclosing(engine.m_window)
    {
        engine.m_window = this;
    }
    // Requests still out are cancelled and their files removed.
    ~RequestWindow() { m_engine.m_window = m_enclosing; }
    RequestWindow(const RequestWindow &) = delete;
    RequestWindow &operator=(const RequestWindow &) = delete;

    bool hasRoom() const
    {
        const int limit = m_engine.m_parallel;
        return m_slots.empty() || (int(m_slots.size()) < limit && inFlight() < limit);
    }
    void push(Slot slot) { m_slots.push_back(std::move(slot)); }
    Slot take()
    {
        Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        return slot;
    }

private:
    int inFlight() const
    {
        int count = 0;
        for (const RequestWindow *window = this; window; window = window->m_enclosing) {
            for (const Slot &slot : window->m_slots)
                count += slot.transfer && !slot.transfer->isFinished();
        }
        return count;
    }

    DownloadEngine &m_engine;
    RequestWindow *m_enclosing;
    std::deque<Slot> m_slots;
};

DownloadEngine::DownloadEngine(Inet &inet, DownloadHost &host)
    : m_inet(inet)
    , m_host(host)
{
    m_inet.setTextDecoder(&decodePage);
}

DownloadEngine::~DownloadEngine() = default;

void DownloadEngine::setParallel(int requests)
{
    m_parallel = std::max(1, requests);
}

bool DownloadEngine::isProbeStart(const QString &answer)
{
    const std::optional<double> number = parseNumber(answer);
    return number && *number <= ProbeLast;
}

DownloadEngine::Slot DownloadEngine::request(const QString &address, const QString &name)
{
    Slot slot;
    slot.name = name;
    slot.address = address;
    const QString folder = m_host.downloadFolder();
    slot.part = std::make_unique<PartFile>(folder);
    if (slot.part->open())
        slot.transfer = m_inet.start(address, slot.part->device());
    else
        slot.error = QStringLiteral("cannot write into %1").arg(folder);
    return slot;
}

bool DownloadEngine::awaitTurn(Slot &slot)
{
    m_inet.follow(slot.transfer.get());
    m_inet.waitFor(*slot.transfer);
    return !m_host.ending();
}

DownloadEngine::RunEnd DownloadEngine::numberedRun(const QString &pattern, RennbannField field,
                                                   qint16 first, qint16 last)
{
    m_error.clear();
    RequestWindow window(*this);
    const int total = std::max(0, last - first + 1);
    if (total > 0)
        m_host.progress(0, total);
    bool saved = false;
    const auto fail = [&](const QString &error) {
        m_error = error;
        if (saved)
            m_host.speak(Line::SeriesFailed);
        return RunEnd::Failed;
    };
    int next = first;
    for (int n = first;; ++n) {
        if (n > last)
            return RunEnd::PassedLast;
        if (m_host.ending())
            return RunEnd::Ended;
        if (m_host.aborted())
            return RunEnd::Aborted;
        // The folder address is read as each number is asked for; none past the last number.
        while (next <= last && window.hasRoom()) {
            const QString name = rennbannname(pattern, field, qint16(next++));
            window.push(request(m_host.folderAddress() + name, name));
        }
        Slot slot = window.take();
        m_host.fetching(slot.name, n);
        if (!slot.transfer)
            return fail(slot.error);
        if (!awaitTurn(slot))
            return RunEnd::Ended;
        const InetResponse &response = slot.transfer->response();
        if (!response.ok)
            return fail(QStringLiteral("%1: %2").arg(slot.address, response.error));
        // An error status, or a body too short to be the file, means that the number is
        // missing. Its bytes are never written: a file of that name from an earlier run stays.
        if (isErrorStatus(response.status) || response.size < MinimumSize) {
            slot.part->discard();
            m_error = isErrorStatus(response.status)
                          ? QStringLiteral("%1: not there (HTTP %2)")
                                .arg(slot.name, QString::number(response.status))
                          : QStringLiteral("%1: only %2 bytes, so not there")
                                .arg(slot.name, QString::number(response.size));
            m_host.numberedMissing(qint16(n), slot.name, response.size);
            m_host.progress(n - first + 1, total);
            m_host.speak(Line::FileMissing);
            return RunEnd::Missing;
        }
        const QString path = ProgramFolder::join(m_host.downloadFolder(), slot.name);
        if (!slot.part->commit(path))
            return fail(QStringLiteral("cannot write %1").arg(path));
        saved = true;
        m_host.numberedSaved(qint16(n), slot.name, response.size);
        m_host.progress(n - first + 1, total);
        // The counter is a 16-bit number: going past 32767 is a failure, not a wrap.
        if (n == 32767)
            return fail(QStringLiteral("the number cannot go past 32767"));
    }
}

DownloadEngine::ExtractionEnd DownloadEngine::failExtraction(const QString &error)
{
    m_error = error;
    m_host.speak(Line::ExtractionFailed);
    return ExtractionEnd::Failed;
}

DownloadEngine::ExtractionEnd DownloadEngine::extract(const QString &pageAddress, bool checkSeries)
{
    m_error.clear();
    m_host.fetchingPage(pageAddress);
    const InetResponse page = m_inet.fetch(pageAddress);
    if (m_host.ending())
        return ExtractionEnd::Ended;
    if (!page.ok)
        return failExtraction(QStringLiteral("%1: %2").arg(pageAddress, page.error));
    if (isErrorStatus(page.status))
        return failExtraction(
            QStringLiteral("%1: HTTP %2").arg(pageAddress, QString::number(page.status)));

    const QString text = decodePage(page.bytes, page.contentType);
    const QList<ImageReference> images = gazouchuushutsu(text);
    if (images.isEmpty()) {
        m_host.status(QStringLiteral("画像ファイルが存在しないにゃあ．"));
        return ExtractionEnd::NoImages;
    }
    // Resolved as a browser would: root-relative and protocol-relative references work.
    const auto address = [&](int index) {
        return page.url.resolved(QUrl(images.at(index).written(text)));
    };
    RequestWindow window(*this);
    const int total = int(images.size());
    m_host.progress(0, total);
    int next = 0;
    for (int place = 1; place <= total; ++place) {
        while (next < total && window.hasRoom()) {
            window.push(request(address(next).toString(QUrl::FullyEncoded),
                                referenceFileName(images.at(next).text(text))));
            ++next;
        }
        Slot slot = window.take();
        m_host.fetching(slot.name, place);
        if (!slot.transfer)
            return failExtraction(slot.error);
        if (!awaitTurn(slot))
            return ExtractionEnd::Ended;
        const InetResponse &response = slot.transfer->response();
        if (!response.ok)
            return failExtraction(QStringLiteral("%1: %2").arg(slot.address, response.error));
        if (!isErrorStatus(response.status)) {
            // Images fetched ahead wait while this one's series is asked about and probed.
            if (checkSeries) {
                probe(slot.name, address(place - 1));
                if (m_host.ending())
                    return ExtractionEnd::Ended;
            }
            const QString path = ProgramFolder::join(m_host.downloadFolder(), slot.name);
            if (!slot.part->commit(path))
                return failExtraction(QStringLiteral("cannot write %1").arg(path));
            m_host.imageSaved(place, slot.name, response.size);
        }
        m_host.progress(place, total);
    }
    m_host.status(QStringLiteral("終了にゃあ．"));
    return ExtractionEnd::Finished;
}

void DownloadEngine::probe(const QString &name, const QUrl &imageAddress)
{
    const std::optional<QString> pattern = rennbannpattern(name);
    if (!pattern) {
        m_host.speak(Line::NoNumberedName);
        return;
    }
    if (pattern->contains(QLatin1Char('?')) && m_host.probeWanted(name)) {
        if (m_host.ending())
            return;
        m_host.status(QStringLiteral("連番ファイル確認はじめるにゃあ．") + *pattern);
        // The hidden series lies beside the image, which need not be the page's folder.
        const std::optional<qint16> start =
            m_host.probeStart(*pattern, name, urlfolder(imageAddress.toString()));
        if (m_host.ending())
            return;
        if (start) {
            const RunEnd end = numberedRun(*pattern, rennbannfield(*pattern), *start, ProbeLast);
            if (m_host.ending())
                return;
            if (end == RunEnd::Missing)
                m_host.status(QStringLiteral("?の連番ファイル確認終了にゃあ．") + *pattern);
            m_host.probeEnded(end);
        }
    }
    m_host.status(QStringLiteral("連番ファイル確認終了にゃあ．") + name);
}

} // namespace kuokuo
