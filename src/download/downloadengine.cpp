#include "download/downloadengine.h"

#include "common/number.h"
#include "common/programfolder.h"
#include "download/fetchrules.h"
#include "download/gazouchuushutsu.h"
#include "download/pagetext.h"
#include "download/partfile.h"
#include "mascot/serihu.h"

#include <QEventLoop>
#include <QSet>
#include <QTimer>

#include <deque>
#include <memory>

namespace kuokuo {

namespace {
// An error status means that the file does not exist: the server's error page is no image.
bool isErrorStatus(int status)
{
    return status >= 400;
}

// A server that is busy now may answer a little later.
bool isBusy(const InetResponse &response)
{
    return response.ok ? response.status == 503 || response.status == 429
                       : response.failure == InetFailure::ConnectionFailed;
}
} // namespace

QString Refusal::text() const
{
    QString why = detail;
    switch (kind) {
    case Kind::Status:
        why = QStringLiteral("HTTP %1 %2")
                  .arg(QString::number(status), QString::fromLatin1(reason))
                  .trimmed();
        break;
    case Kind::WebPage:
        why = QStringLiteral("web page instead of an image");
        break;
    case Kind::TooShort:
        why = QStringLiteral("only %1 bytes, so not there").arg(size);
        break;
    case Kind::BadName:
        why = QStringLiteral("not a plain file name: it would be saved outside the download "
                             "folder");
        break;
    case Kind::Transfer:
    case Kind::Unwritable:
        break;
    }
    return name + QStringLiteral(": ") + why;
}

// One request of a run: its body arrives in a file of its own (in memory for a page) and waits
// there until the files before it have been handled.
struct DownloadEngine::Slot
{
    QString name; // empty for a page
    QString address;
    QByteArray referer;
    std::unique_ptr<PartFile> part;
    std::unique_ptr<InetTransfer> transfer; // none when the file could not be made
    std::optional<Refusal> error;           // why there is no transfer
    bool interrupted = false;               // the wait for a busy server was ended
};

// An image of a page: where it is and the name it is saved under.
struct DownloadEngine::Image
{
    QUrl address;
    QString name;
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

DownloadEngine::Slot DownloadEngine::request(const QString &address, const QString &name,
                                             const QUrl &from)
{
    Slot slot;
    slot.name = name;
    slot.address = address;
    slot.referer = m_referer        ? *m_referer
                   : from.isEmpty() ? QByteArray()
                                    : refererFor(from, QUrl(address));
    if (name.isEmpty()) {
        slot.transfer = m_inet.start(address, nullptr, slot.referer);
        return slot;
    }
    Refusal why;
    why.name = name;
    if (!isPlainFileName(name)) {
        why.kind = Refusal::Kind::BadName;
        slot.error = why;
        return slot;
    }
    const QString folder = m_host.downloadFolder();
    slot.part = std::make_unique<PartFile>(folder);
    if (slot.part->open()) {
        slot.transfer = m_inet.start(address, slot.part->device(), slot.referer);
    } else {
        why.kind = Refusal::Kind::Unwritable;
        why.failure = InetFailure::WriteFailed;
        why.detail = QStringLiteral("cannot write into %1").arg(folder);
        slot.error = why;
    }
    return slot;
}

bool DownloadEngine::awaitTurn(Slot &slot)
{
    for (int attempt = 0;; ++attempt) {
        m_inet.follow(slot.transfer.get());
        m_inet.waitFor(*slot.transfer);
        if (m_host.ending())
            return false;
        const InetResponse &response = slot.transfer->response();
        if (attempt >= m_retries || !isBusy(response))
            return true;
        const std::chrono::seconds delay =
            retryDelay(response.retryAfter, QDateTime::currentDateTimeUtc(), attempt);
        // The host may end the wait while it tells of it.
        m_waitEnded = false;
        m_host.waiting(*refusal(slot, false), int(delay.count()));
        QEventLoop wait;
        QTimer::singleShot(delay, &wait, [&wait] { wait.exit(0); });
        m_wait = &wait;
        slot.interrupted = m_waitEnded || wait.exec() != 0;
        m_wait = nullptr;
        if (m_host.ending())
            return false;
        if (slot.interrupted || (slot.part && !slot.part->restart()))
            return true;
        slot.transfer =
            m_inet.start(slot.address, slot.part ? slot.part->device() : nullptr, slot.referer);
    }
}

void DownloadEngine::endWait()
{
    m_waitEnded = true;
    if (m_wait)
        m_wait->exit(1);
}

std::optional<Refusal> DownloadEngine::refusal(const Slot &slot, bool numbered) const
{
    const InetResponse &response = slot.transfer->response();
    Refusal why;
    why.name = slot.name.isEmpty() ? slot.address : slot.name;
    why.size = response.size;
    if (!response.ok) {
        why.failure = response.failure;
        why.detail = response.error;
    } else if (isErrorStatus(response.status)) {
        why.kind = Refusal::Kind::Status;
        why.status = response.status;
        why.reason = response.reason;
    } else if (!slot.name.isEmpty() &&
               isWebPageInstead(slot.name, response.contentType, response.head)) {
        why.kind = Refusal::Kind::WebPage;
    } else if (numbered && response.size < MinimumSize) {
        why.kind = Refusal::Kind::TooShort;
    } else {
        return std::nullopt;
    }
    return why;
}

namespace {
Refusal unwritable(const QString &name, const QString &path, const PartFile &part)
{
    Refusal why;
    why.kind = Refusal::Kind::Unwritable;
    why.name = name;
    why.failure = part.diskFull() ? InetFailure::DiskFull : InetFailure::WriteFailed;
    why.detail =
        part.diskFull() ? QStringLiteral("disk full") : QStringLiteral("cannot write %1").arg(path);
    return why;
}
} // namespace

DownloadEngine::RunEnd DownloadEngine::numberedRun(const QString &pattern, RennbannField field,
                                                   qint16 first, qint16 last)
{
    m_error.clear();
    bool saved = false;
    const auto fail = [&](const std::optional<Refusal> &why, const QString &error = {}) {
        m_error = why ? why->text() : error;
        if (why)
            m_host.failed(*why);
        if (saved)
            m_host.speak(Line::SeriesFailed);
        return RunEnd::Failed;
    };
    // Digits never make a path of a pattern: the pattern alone tells whether its names are
    // plain file names.
    if (!isPlainFileName(pattern)) {
        Refusal why;
        why.kind = Refusal::Kind::BadName;
        why.name = pattern;
        return fail(why);
    }
    RequestWindow window(*this);
    const int total = std::max(0, last - first + 1);
    if (total > 0)
        m_host.progress(0, total);
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
            const QString folder = m_host.folderAddress();
            window.push(request(folder + name, name, QUrl(folder)));
        }
        Slot slot = window.take();
        m_host.fetching(slot.name, n);
        if (!slot.transfer)
            return fail(slot.error);
        if (!awaitTurn(slot))
            return RunEnd::Ended;
        if (slot.interrupted)
            return RunEnd::Aborted;
        const InetResponse &response = slot.transfer->response();
        // An error status, a web page or a body too short to be the file means that the number
        // is missing. Its bytes are never written: a file of that name from an earlier run stays.
        const std::optional<Refusal> why = refusal(slot, true);
        if (!response.ok)
            return fail(why);
        if (why) {
            slot.part->discard();
            m_error = why->text();
            m_host.numberedMissing(qint16(n), *why);
            m_host.progress(n - first + 1, total);
            m_host.speak(Line::FileMissing);
            return RunEnd::Missing;
        }
        const QString path = ProgramFolder::join(m_host.downloadFolder(), slot.name);
        if (!slot.part->commit(path))
            return fail(unwritable(slot.name, path, *slot.part));
        saved = true;
        m_host.numberedSaved(qint16(n), slot.name, response.size);
        m_host.progress(n - first + 1, total);
        // The counter is a 16-bit number: going past 32767 is a failure, not a wrap.
        if (n == 32767)
            return fail(std::nullopt, QStringLiteral("the number cannot go past 32767"));
    }
}

DownloadEngine::ExtractionEnd DownloadEngine::failExtraction(const Refusal &why)
{
    m_error = why.text();
    m_host.failed(why);
    m_host.speak(Line::ExtractionFailed);
    return ExtractionEnd::Failed;
}

DownloadEngine::ExtractionEnd DownloadEngine::extract(const QString &pageAddress, bool checkSeries)
{
    m_error.clear();
    m_host.fetchingPage(pageAddress);
    Slot page = request(pageAddress, QString(), QUrl());
    if (!awaitTurn(page))
        return ExtractionEnd::Ended;
    if (const std::optional<Refusal> why = refusal(page, false))
        return failExtraction(*why);
    const InetResponse &response = page.transfer->response();
    const QString text = decodePage(response.bytes, response.contentType);
    const QList<ImageReference> references = gazouchuushutsu(text);
    if (references.isEmpty()) {
        m_host.status(QStringLiteral("画像ファイルが存在しないにゃあ．"));
        return ExtractionEnd::NoImages;
    }
    // Resolved as a browser would: root-relative and protocol-relative references work.
    QList<Image> images;
    for (const ImageReference &reference : references)
        images.append({response.url.resolved(QUrl(reference.written(text))),
                       referenceFileName(reference.text(text))});
    if (const std::optional<Refusal> stop = saveAll(images, response.url, checkSeries, nullptr))
        return failExtraction(*stop);
    if (m_host.ending())
        return ExtractionEnd::Ended;
    m_host.status(QStringLiteral("終了にゃあ．"));
    return ExtractionEnd::Finished;
}

PageImages DownloadEngine::saveImages(const QStringList &addresses, const QByteArray &referer)
{
    m_error.clear();
    PageImages result;
    QList<Image> images;
    QSet<QUrl> seen;
    for (const QString &address : addresses) {
        const QUrl url(address);
        const QString scheme = url.scheme().toLower();
        if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
            url.host().isEmpty() || seen.contains(url)) {
            ++result.skipped;
            continue;
        }
        seen.insert(url);
        images.append({url, url.fileName(QUrl::FullyDecoded)});
    }
    if (const std::optional<Refusal> stop =
            saveAll(images, QUrl(QString::fromUtf8(referer)), false, &result)) {
        m_error = result.error = stop->text();
        result.stop = stop;
        m_host.failed(*stop);
        return result;
    }
    result.ok = !m_host.ending();
    return result;
}

std::optional<Refusal> DownloadEngine::saveAll(const QList<Image> &images, const QUrl &page,
                                               bool checkSeries, PageImages *result)
{
    RequestWindow window(*this);
    const int total = int(images.size());
    m_host.progress(0, total);
    int next = 0;
    for (int place = 1; place <= total; ++place) {
        while (next < total && window.hasRoom()) {
            const Image &image = images.at(next++);
            window.push(request(image.address.toString(QUrl::FullyEncoded), image.name, page));
        }
        Slot slot = window.take();
        m_host.fetching(slot.name, place);
        if (slot.transfer && !awaitTurn(slot))
            return std::nullopt;
        std::optional<Refusal> why = slot.transfer ? refusal(slot, false) : slot.error;
        // The extraction stops where an image cannot be had at all; the images a page shows are
        // saved as far as they can be. A folder that takes no file stops both.
        const bool stops = why && (why->kind == Refusal::Kind::Unwritable ||
                                   (why->kind == Refusal::Kind::Transfer && !result));
        if (stops)
            return why;
        if (why) {
            m_host.imageRefused(place, *why);
            if (result)
                result->refused.append(*why);
        } else {
            // Images fetched ahead wait while this one's series is asked about and probed.
            if (checkSeries) {
                probe(slot.name, images.at(place - 1).address);
                if (m_host.ending())
                    return std::nullopt;
            }
            const QString path = ProgramFolder::join(m_host.downloadFolder(), slot.name);
            if (!slot.part->commit(path))
                return unwritable(slot.name, path, *slot.part);
            m_host.imageSaved(place, slot.name, slot.transfer->response().size);
            if (result)
                ++result->saved;
        }
        m_host.progress(place, total);
    }
    return std::nullopt;
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
