#include "platform/browserengine.h"

#include "platform/schemelauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>
#include <utility>

namespace kuokuo {

const QString BrowserEngine::HomePage = QStringLiteral("https://www.yahoo.co.jp/");
const QString BrowserEngine::SearchPage = QStringLiteral("https://www.google.co.jp/");

void BrowserEngine::Navigate(const QString &address)
{
    if (SchemeLauncher::isExternalScheme(address)) {
        schemeLauncher().launch(address);
        return;
    }
    load(address);
}

namespace {

// A page that hands links to mic: and mailto: to their handler, as the engine cannot show them.
class KuokuoPage final : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        const QString address = url.toString();
        if (SchemeLauncher::isExternalScheme(address)) {
            schemeLauncher().launch(address);
            return false;
        }
        return true;
    }
};

// Pages reach mic: and mailto: through the desktop's handler of the scheme; the handler given to
// the desktop services passes them on to SchemeLauncher instead.
class ExternalSchemes final : public QObject
{
    Q_OBJECT
public:
    ExternalSchemes()
    {
        for (const QString &scheme : SchemeLauncher::ExternalSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }

    ~ExternalSchemes() override
    {
        for (const QString &scheme : SchemeLauncher::ExternalSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

    Q_INVOKABLE void open(const QUrl &url) { schemeLauncher().launch(url.toString()); }
};

class WebView final : public QWebEngineView
{
public:
    using QWebEngineView::QWebEngineView;

protected:
    // Pages that ask for a new window open in this one: the navigator has a single browser.
    QWebEngineView *createWindow(QWebEnginePage::WebWindowType) override { return this; }
};

class WebEngineDownload final : public PageDownload
{
public:
    WebEngineDownload(QWebEngineDownloadRequest *request, QObject *parent)
        : PageDownload(parent)
    {
        bind(request);
    }

    ~WebEngineDownload() override
    {
        // A browser that goes away takes its unfinished downloads with it, without a word.
        if (m_request && !std::exchange(m_ended, true))
            m_request->cancel();
    }

    QString suggestedFileName() const override { return m_request->suggestedFileName(); }
    void accept(const QString &path) override
    {
        const QFileInfo file(path);
        m_request->setDownloadDirectory(file.absolutePath());
        m_request->setDownloadFileName(file.fileName());
        m_request->accept();
        m_accepted = true;
    }
    bool accepted() const { return m_accepted; }
    void cancel() override { m_request->cancel(); }
    qint64 receivedBytes() const override { return m_received; }
    qint64 totalBytes() const override { return m_total; }
    QString errorString() const override { return m_error; }

    // After a network error the engine resumes a download by asking for it again, as a new
    // request of the same number (Qt 6.4): it goes on into the same file, unasked.
    bool resumes(QWebEngineDownloadRequest *request)
    {
        if (!m_accepted || m_ended || !m_request || request == m_request ||
            request->id() != m_request->id())
            return false;
        request->setDownloadDirectory(m_request->downloadDirectory());
        request->setDownloadFileName(m_request->downloadFileName());
        // The old request stays with the profile: deleting it would cancel the download.
        m_request->disconnect(this);
        bind(request);
        request->accept();
        return true;
    }

private:
    void bind(QWebEngineDownloadRequest *request)
    {
        m_request = request;
        connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
                &WebEngineDownload::moved);
        connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this,
                &WebEngineDownload::moved);
        connect(request, &QWebEngineDownloadRequest::stateChanged, this,
                &WebEngineDownload::stateChanged);
    }

    // A resumed request starts from nothing, and the engine zeroes the count when it starts a
    // download afresh or gives it up: keep the furthest it came and the size it announced.
    void moved()
    {
        if (m_ended)
            return;
        m_received = std::max(m_received, m_request->receivedBytes());
        if (m_request->totalBytes() > 0)
            m_total = m_request->totalBytes();
        Q_EMIT progress();
    }

    void stateChanged(QWebEngineDownloadRequest::DownloadState state)
    {
        if (m_ended)
            return;
        End end;
        switch (state) {
        case QWebEngineDownloadRequest::DownloadCompleted:
            end = End::Completed;
            break;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            // The engine keeps the part for a resumption nobody can ask for: drop it.
            end = End::Failed;
            break;
        case QWebEngineDownloadRequest::DownloadCancelled:
            end = End::Cancelled;
            break;
        default:
            return;
        }
        m_ended = true;
        m_error = m_request->interruptReasonString(); // before the cancel below replaces it
        if (state == QWebEngineDownloadRequest::DownloadInterrupted)
            m_request->cancel();
        Q_EMIT ended(end);
        m_request->deleteLater();
        deleteLater();
    }

    QPointer<QWebEngineDownloadRequest> m_request;
    qint64 m_received = 0;
    qint64 m_total = -1;
    QString m_error;
    bool m_accepted = false;
    bool m_ended = false;
};

class WebEngineBrowser final : public BrowserEngine
{
public:
    explicit WebEngineBrowser(QWidget *parent)
        : BrowserEngine(parent)
        , m_view(new WebView(parent))
    {
        m_view->setObjectName(QStringLiteral("brwWebBrowser"));
        static ExternalSchemes externalSchemes;
        m_view->setPage(new KuokuoPage(m_view));
        m_view->settings()->setUnknownUrlSchemePolicy(
            QWebEngineSettings::AllowAllUnknownUrlSchemes);
        connect(m_view, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
        connect(m_view, &QWebEngineView::loadFinished, this, [this] {
            m_busy = false;
            Q_EMIT DownloadComplete();
        });
        // The profile is shared by every view: each takes only the downloads of its own page.
        connect(m_view->page()->profile(), &QWebEngineProfile::downloadRequested, this,
                [this](QWebEngineDownloadRequest *request) {
                    if (request->page() != m_view->page())
                        return;
                    const auto known = findChildren<WebEngineDownload *>();
                    if (std::any_of(known.cbegin(), known.cend(),
                                    [request](WebEngineDownload *download) {
                                        return download->resumes(request);
                                    }))
                        return;
                    auto *download = new WebEngineDownload(request, this);
                    Q_EMIT PageDownloadRequested(download);
                    // Not accepted: the engine drops the request, and so does its owner.
                    if (!download->accepted())
                        download->deleteLater();
                });
    }

    QWidget *widget() const override { return m_view; }

    void GoBack() override { m_view->back(); }
    void GoForward() override { m_view->forward(); }
    void GoHome() override { load(HomePage); }
    void GoSearch() override { load(SearchPage); }
    void Stop() override { m_view->stop(); }
    void Refresh() override { m_view->reload(); }

    QString LocationName() const override { return m_view->title(); }
    QString LocationURL() const override
    {
        const QUrl url = m_view->url();
        if (url.isLocalFile() && !url.hasQuery() && !url.hasFragment())
            return QDir::toNativeSeparators(url.toLocalFile());
        return url.toString();
    }
    bool Busy() const override { return m_busy; }

protected:
    void load(const QString &address) override
    {
        // A plain path is a local file; anything else is an address as typed.
        const QUrl url = QDir::isAbsolutePath(address) && !address.startsWith(QLatin1String("//"))
                             ? QUrl::fromLocalFile(address)
                             : QUrl::fromUserInput(address, QDir::currentPath());
        m_busy = true;
        m_view->load(url);
    }

private:
    QWebEngineView *m_view;
    bool m_busy = false;
};

class WebEngineFactory final : public BrowserEngineFactory
{
public:
    BrowserEngine *create(QWidget *parent) override { return new WebEngineBrowser(parent); }
};

} // namespace

template <>
BrowserEngineFactory &Adapter<BrowserEngineFactory>::real()
{
    static WebEngineFactory factory;
    return factory;
}

} // namespace kuokuo

#include "browserengine.moc"
