#include "download/downloadengine.h"

#include "common/programfolder.h"
#include "download/gazouchuushutsu.h"
#include "download/partfile.h"
#include "platform/inet.h"

namespace kuokuo {

namespace {
// An error status means that the file does not exist: the server's error page is no image.
bool isErrorStatus(int status)
{
    return status >= 400;
}
} // namespace

DownloadEngine::DownloadEngine(Inet &inet, DownloadHost &host)
    : m_inet(inet)
    , m_host(host)
{}

DownloadEngine::Step DownloadEngine::numberedStep(const QString &pattern, RennbannField field,
                                                  qint16 number, qint16 last, bool &saved)
{
    const QString name = rennbannname(pattern, field, number);
    const QString address = m_host.folderAddress() + name;
    PartFile part(m_host.downloadFolder());
    if (!part.open()) {
        m_error = QStringLiteral("cannot write into %1").arg(m_host.downloadFolder());
        return Step::Failed;
    }
    m_host.fetching(name, number);
    const InetResponse response = m_inet.fetchInto(address, *part.device());
    if (m_host.ending())
        return Step::Ended;
    if (!response.ok) {
        m_error = QStringLiteral("%1: %2").arg(address, response.error);
        return Step::Failed;
    }
    // An error status, or a body too short to be the file, means that the number is missing.
    // Its bytes are never written: a file of that name from an earlier run stays as it was.
    if (isErrorStatus(response.status) || response.size < MinimumSize) {
        part.discard();
        m_error =
            isErrorStatus(response.status)
                ? QStringLiteral("%1: not there (HTTP %2)").arg(name).arg(response.status)
                : QStringLiteral("%1: only %2 bytes, so not there").arg(name).arg(response.size);
        m_host.numberedFetched(number, name, response.size);
        m_host.speak(11);
        return Step::Missing;
    }

    // This number is there, so the run goes on: the next request travels while this file is
    // written and shown. Whether the run goes on is known from the response alone (its status
    // and size), so no number is asked for that the run would not ask for anyway.
    if (number < last && !m_host.aborted())
        m_inet.prefetch(m_host.folderAddress() + rennbannname(pattern, field, qint16(number + 1)));

    const QString path = ProgramFolder::join(m_host.downloadFolder(), name);
    if (!part.commit(path)) {
        m_error = QStringLiteral("cannot write %1").arg(path);
        return Step::Failed;
    }
    saved = true;
    m_host.numberedFetched(number, name, response.size);
    return Step::Next;
}

DownloadEngine::RunEnd DownloadEngine::numberedRun(const QString &pattern, RennbannField field,
                                                   qint16 first, qint16 last)
{
    m_error.clear();
    const RunEnd end = stepThrough(pattern, field, first, last);
    m_inet.cancelPrefetch(); // a fetch started ahead for a number the run did not reach
    return end;
}

DownloadEngine::RunEnd DownloadEngine::stepThrough(const QString &pattern, RennbannField field,
                                                   qint16 first, qint16 last)
{
    bool saved = false;
    for (int n = first;; ++n) {
        if (n > last)
            return RunEnd::PassedLast;
        if (m_host.ending())
            return RunEnd::Ended;
        if (m_host.aborted())
            return RunEnd::Aborted;
        switch (numberedStep(pattern, field, qint16(n), last, saved)) {
        case Step::Next:
            break;
        case Step::Missing:
            return RunEnd::Missing;
        case Step::Ended:
            return RunEnd::Ended;
        case Step::Failed:
            if (saved)
                m_host.speak(23);
            return RunEnd::Failed;
        }
        // The counter is a 16-bit number: going past 32767 is a failure, not a wrap.
        if (n == 32767) {
            m_error = QStringLiteral("the number cannot go past 32767");
            m_host.speak(23);
            return RunEnd::Failed;
        }
    }
}

DownloadEngine::ExtractionEnd DownloadEngine::extract(const QString &pageAddress)
{
    m_error.clear();
    m_host.fetching(pageAddress, 0);
    const InetResponse page = m_inet.fetch(pageAddress, Inet::icString);
    if (m_host.ending())
        return ExtractionEnd::Ended;
    if (!page.ok || isErrorStatus(page.status)) {
        m_error = page.ok ? QStringLiteral("%1: HTTP %2").arg(pageAddress).arg(page.status)
                          : QStringLiteral("%1: %2").arg(pageAddress, page.error);
        m_host.speak(6);
        return ExtractionEnd::Failed;
    }

    const QList<ImageReference> images = gazouchuushutsu(page.text);
    if (images.isEmpty()) {
        m_host.status(QStringLiteral("画像ファイルが存在しないにゃあ．"));
        return ExtractionEnd::NoImages;
    }
    int place = 0;
    for (const ImageReference &image : images) {
        const QString name = referenceFileName(image.text(page.text));
        // Resolved as a browser would: root-relative and protocol-relative references work.
        const QUrl address = page.url.resolved(QUrl(image.written(page.text)));
        PartFile part(m_host.downloadFolder());
        if (!part.open()) {
            m_error = QStringLiteral("cannot write into %1").arg(m_host.downloadFolder());
            m_host.speak(6);
            return ExtractionEnd::Failed;
        }
        m_host.fetching(name, ++place);
        const InetResponse response =
            m_inet.fetchInto(address.toString(QUrl::FullyEncoded), *part.device());
        if (m_host.ending())
            return ExtractionEnd::Ended;
        if (!response.ok) {
            m_error = QStringLiteral("%1: %2").arg(address.toString(), response.error);
            m_host.speak(6);
            return ExtractionEnd::Failed;
        }
        if (isErrorStatus(response.status))
            continue;

        m_host.checkSeries(name, address);
        if (m_host.ending())
            return ExtractionEnd::Ended;
        const QString path = ProgramFolder::join(m_host.downloadFolder(), name);
        if (!part.commit(path)) {
            m_error = QStringLiteral("cannot write %1").arg(path);
            m_host.speak(6);
            return ExtractionEnd::Failed;
        }
        m_host.imageSaved(place, name, response.size);
    }
    m_host.status(QStringLiteral("終了にゃあ．"));
    return ExtractionEnd::Finished;
}

} // namespace kuokuo
