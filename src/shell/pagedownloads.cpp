#include "shell/pagedownloads.h"

#include "common/logging.h"
#include "common/textfile.h"
#include "mascot/kuokuoform.h"
#include "mascot/serihu.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace kuokuo {

const QString PageDownloads::SaveTitle = QStringLiteral("保存する場所を選んでにゃあ");

namespace {
const QString DownloadingCaption = QStringLiteral("ダウンロード中... %1");
const QString DoneWords = QStringLiteral("「%1」のダウンロードがおわったにゃあ！");
const QString FailedWords =
    QStringLiteral("「%1」のダウンロードに失敗したにゃあ…もういちど試してにゃあ");

QString sizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

// Puts the whole file under its name in one step, replacing an older file of that name, with
// the mode a file written there gets: a replaced file keeps its mode, a new one follows the umask.
bool moveIntoPlace(const QString &partPath, const QString &path)
{
    if (::chmod(QFile::encodeName(partPath).constData(), modeOfWrittenFile(path)) != 0 ||
        !renameOver(partPath, path)) {
        qCWarning(lcFiles) << "cannot save the download as" << path << std::strerror(errno);
        return false;
    }
    return true;
}
} // namespace

PageDownloads::PageDownloads(QWidget *window)
    : QObject(window)
    , m_window(window)
{}

PageDownloads::~PageDownloads()
{
    // Downloads still running when the browser goes are dropped, parts and all.
    const QList<Running> running = std::exchange(m_running, {});
    for (const Running &file : running) {
        if (file.download)
            file.download->cancel();
        QFile::remove(file.partPath);
    }
}

void PageDownloads::start(PageDownload *download, const QString &folder, const QString &name)
{
    QPointer<PageDownload> guard(download);
    QPointer<PageDownloads> self(this);
    const QString path = dialogs().saveFileName(m_window, SaveTitle, QDir(folder).filePath(name));
    if (!guard || !self)
        return;
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    const Running file{download, path, partPathFor(path)};
    m_running.append(file);
    connect(download, &PageDownload::progress, this, &PageDownloads::changed);
    connect(download, &PageDownload::ended, this,
            [this, download](PageDownload::End end) { ended(download, end); });
    download->accept(file.partPath);
    Q_EMIT changed();
}

QString PageDownloads::partPathFor(const QString &path) const
{
    // Two downloads saved under one name at once must not write into the same part.
    const auto inUse = [this](const QString &part) {
        return std::any_of(m_running.cbegin(), m_running.cend(),
                           [&part](const Running &file) { return file.partPath == part; });
    };
    const QFileInfo target(path);
    const QString stem = target.dir().filePath(QLatin1Char('.') + target.fileName());
    QString part = stem + QStringLiteral(".part");
    for (int n = 2; inUse(part); ++n)
        part = stem + QStringLiteral(".%1.part").arg(n);
    return part;
}

QString PageDownloads::caption() const
{
    qint64 received = 0;
    qint64 total = 0;
    bool sizeKnown = true;
    for (const Running &file : m_running) {
        if (!file.download)
            continue;
        received += file.download->receivedBytes();
        total += file.download->totalBytes();
        sizeKnown = sizeKnown && file.download->totalBytes() > 0;
    }
    if (!sizeKnown || total <= 0)
        return DownloadingCaption.arg(sizeText(received));
    return DownloadingCaption.arg(
        QStringLiteral("%1%").arg(qMin<qint64>(received * 100 / total, 100)));
}

void PageDownloads::ended(PageDownload *download, PageDownload::End end)
{
    const auto found =
        std::find_if(m_running.begin(), m_running.end(),
                     [download](const Running &file) { return file.download == download; });
    if (found == m_running.end())
        return;
    const Running file = *found;
    m_running.erase(found);
    const QString name = QFileInfo(file.path).fileName();
    if (end == PageDownload::End::Completed && moveIntoPlace(file.partPath, file.path)) {
        speak(Line::PageDownloadDone, DoneWords.arg(name));
    } else {
        QFile::remove(file.partPath);
        if (end == PageDownload::End::Failed)
            qCWarning(lcFiles) << "download into" << file.path << "failed after"
                               << download->receivedBytes() << "of" << download->totalBytes()
                               << "bytes:" << download->errorString();
        if (end != PageDownload::End::Cancelled)
            speak(Line::PageDownloadFailed, FailedWords.arg(name));
    }
    Q_EMIT changed();
}

} // namespace kuokuo
