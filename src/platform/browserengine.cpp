#include "platform/browserengine.h"

#include "platform/browserprofile.h"
#include "platform/dialogs.h"
#include "platform/pagequestions.h"
#include "platform/schemelauncher.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QNetworkCookie>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWheelEvent>

#include <functional>

#include <algorithm>
#include <utility>

namespace kuokuo {

const QString BrowserEngine::HomePage = QStringLiteral("https://www.yahoo.co.jp/");
const QString BrowserEngine::SearchPage = QStringLiteral("https://www.google.co.jp/");

QString BrowserEngine::searchAddress(const QString &words)
{
    return SearchPage + QStringLiteral("search?q=") +
           QString::fromLatin1(QUrl::toPercentEncoding(words.trimmed()));
}

void BrowserEngine::Navigate(const QString &address)
{
    if (SchemeLauncher::isExternalScheme(address)) {
        schemeLauncher().launch(address);
        return;
    }
    load(address);
}

namespace {

// The images of the live page, with the address each one has now: lazy loaders keep the real one
// in data-src or data-original until the image comes into view. It runs apart from the page's
// own scripts, which cannot change what it sees of them.
const QString ShownImagesScript = QStringLiteral(R"js(
(() => {
  const web = (address) => /^https?:/i.test(address);
  const absolute = (address) => {
    try { return new URL(address, document.baseURI).href; } catch (e) { return ''; }
  };
  const largest = (srcset) => {
    let best = '', size = -1;
    for (const entry of (srcset || '').matchAll(/\s*(\S+?)(?:\s+(\d*\.?\d+)[wx])?\s*(?:,|$)/g)) {
      const n = entry[2] === undefined ? 1 : Number(entry[2]);
      if (entry[1] && n > size) { best = entry[1]; size = n; }
    }
    return best;
  };
  const images = [];
  for (const image of document.images) {
    const current = image.currentSrc || image.src;
    const candidates = [current, image.dataset.src, image.dataset.original,
                        largest(image.getAttribute('srcset')), largest(image.dataset.srcset)];
    const address = candidates.map((c) => c ? absolute(c) : '').find(web) || current;
    if (address) images.push(address);
  }
  return {page: location.href, images};
})()
)js");

// A page that hands links to mic: and mailto: to their handler, as the engine cannot show them,
// and whose script dialogs speak as the rest of the program does.
class KuokuoPage final : public QWebEnginePage
{
public:
    explicit KuokuoPage(QWebEngineView *view)
        : QWebEnginePage(browserProfile(), view)
        , m_view(view)
    {}

    // "Save page", wherever the user asks for it.
    std::function<void()> savePage;

    void triggerAction(WebAction action, bool checked) override
    {
        if (action == SavePage && savePage)
            savePage();
        else
            QWebEnginePage::triggerAction(action, checked);
    }

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

    // The engine wants each answer before these return.
    void javaScriptAlert(const QUrl &origin, const QString &text) override
    {
        dialogs().messageBox(m_view, text, title(origin, QStringLiteral("おしらせ")));
    }
    bool javaScriptConfirm(const QUrl &origin, const QString &text) override
    {
        return dialogs().askYesNo(m_view, title(origin, QStringLiteral("しつもん")), text) ==
               Dialogs::Answer::Yes;
    }
    bool javaScriptPrompt(const QUrl &origin, const QString &text, const QString &value,
                          QString *result) override
    {
        *result =
            dialogs().inputBox(m_view, text, title(origin, QStringLiteral("しつもん")), value);
        return !result->isNull();
    }

private:
    static QString title(const QUrl &origin, const QString &what)
    {
        return QStringLiteral("「%1」のページからの%2にゃあ").arg(origin.host(), what);
    }

    QWebEngineView *m_view;
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

    // Ctrl and the wheel over the page, in steps up.
    std::function<void(int)> zoomWheel;
    // The context menu's item that saves the images the page shows.
    std::function<void()> saveShownImages;

protected:
    // Pages that ask for a new window open in this one: the navigator has a single browser.
    QWebEngineView *createWindow(QWebEnginePage::WebWindowType) override { return this; }

    void contextMenuEvent(QContextMenuEvent *event) override
    {
        // A new tab would be this window too: one item to open a link is enough.
        QMenu *menu = createStandardContextMenu();
        menu->removeAction(pageAction(QWebEnginePage::OpenLinkInNewTab));
        menu->addSeparator();
        QAction *save = menu->addAction(QStringLiteral("このページの画像をほぞんする"));
        save->setObjectName(QStringLiteral("saveShownImages"));
        connect(save, &QAction::triggered, this, [this] {
            if (saveShownImages)
                saveShownImages();
        });
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }

    // The page is drawn by a child the engine makes (again after a crash): its wheel comes here
    // first.
    void childEvent(QChildEvent *event) override
    {
        if (event->added() && event->child()->isWidgetType())
            event->child()->installEventFilter(this);
        QWebEngineView::childEvent(event);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *wheel = event->type() == QEvent::Wheel ? static_cast<QWheelEvent *>(event) : nullptr;
        if (!wheel || !(wheel->modifiers() & Qt::ControlModifier) || !zoomWheel)
            return QWebEngineView::eventFilter(watched, event);
        if (const int steps = wheel->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep)
            zoomWheel(steps);
        return true;
    }
};

class WebEngineDownload final : public PageDownload
{
public:
    WebEngineDownload(QWebEngineDownloadRequest *request, QObject *parent)
        : PageDownload(parent)
    {
        bind(request);
    }
    // The page itself, saved as one file where it is accepted.
    WebEngineDownload(QWebEnginePage *page, QObject *parent)
        : PageDownload(parent)
        , m_page(page)
    {}

    ~WebEngineDownload() override
    {
        // A browser that goes away takes its unfinished downloads with it, without a word.
        if (m_request && !std::exchange(m_ended, true))
            m_request->cancel();
    }

    QString suggestedFileName() const override
    {
        return m_request ? m_request->suggestedFileName() : QString();
    }
    bool savesPage() const override { return m_page; }
    void accept(const QString &path) override
    {
        m_accepted = true;
        if (m_page) {
            // The engine makes the user's download folder for each page it saves, wherever the
            // file goes: a folder it made for nothing goes again at the end.
            const QString folder =
                QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
            if (!QFileInfo::exists(folder))
                m_unwantedFolder = folder;
            m_path = path;
            m_page->save(path, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
            return;
        }
        const QFileInfo file(path);
        m_request->setDownloadDirectory(file.absolutePath());
        m_request->setDownloadFileName(file.fileName());
        m_request->accept();
    }
    bool accepted() const { return m_accepted; }
    void cancel() override
    {
        if (m_request)
            m_request->cancel();
    }
    qint64 receivedBytes() const override { return m_received; }
    qint64 totalBytes() const override { return m_total; }
    QString errorString() const override { return m_error; }

    // True for a request that goes on with this download: the page being saved where it was
    // accepted, or, after a network error, the same download asked for again as a new request
    // of the same number (Qt 6.4), which goes on into the same file, unasked.
    bool resumes(QWebEngineDownloadRequest *request)
    {
        if (m_page && m_accepted && !m_request && request->isSavePageDownload() &&
            QDir(request->downloadDirectory()).filePath(request->downloadFileName()) == m_path) {
            bind(request);
            return true;
        }
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
        if (!m_unwantedFolder.isEmpty())
            QDir().rmdir(m_unwantedFolder); // only when it is empty
        Q_EMIT ended(end);
        m_request->deleteLater();
        deleteLater();
    }

    QPointer<QWebEngineDownloadRequest> m_request;
    QPointer<QWebEnginePage> m_page;
    QString m_path;
    QString m_unwantedFolder;
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
        auto *page = new KuokuoPage(m_view);
        m_view->setPage(page);
        new PageQuestions(page, m_view);
        m_view->settings()->setUnknownUrlSchemePolicy(
            QWebEngineSettings::AllowAllUnknownUrlSchemes);
        m_view->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
        m_view->zoomWheel = [this](int steps) { Q_EMIT ZoomRequested(steps); };
        m_view->saveShownImages = [this] { Q_EMIT SaveShownImagesRequested(); };
        connect(m_view, &QWebEngineView::loadStarted, this, &WebEngineBrowser::loading);
        connect(m_view, &QWebEngineView::loadFinished, this, [this] {
            m_busy = false;
            Q_EMIT DownloadComplete();
        });
        connect(page, &QWebEnginePage::fullScreenRequested, this,
                [this](QWebEngineFullScreenRequest request) {
                    request.accept();
                    Q_EMIT FullScreenRequested(request.toggleOn());
                });
        // Loading again from inside the engine's report does not work: after it.
        connect(
            page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                // A page that is gone answers no question.
                if (m_readingImages)
                    imagesRead(QVariant());
                if (status != QWebEnginePage::NormalTerminationStatus)
                    Q_EMIT RendererEnded();
            },
            Qt::QueuedConnection);
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
                    requested(new WebEngineDownload(request, this));
                });
        page->savePage = [this, page] { requested(new WebEngineDownload(page, this)); };
    }

    QWidget *widget() const override { return m_view; }

    void GoBack() override { m_view->back(); }
    void GoForward() override { m_view->forward(); }
    void GoHome() override { load(HomePage); }
    void GoSearch() override { load(SearchPage); }
    void Stop() override
    {
        // A load stopped before the server answered ends without a word from the engine.
        m_view->stop();
        m_busy = false;
    }
    void Refresh() override
    {
        // A notice shown instead of a page (its own text under the page's address): the page
        // itself is loaded again.
        if (m_view->page()->requestedUrl().scheme() != QLatin1String("data") ||
            m_view->url().scheme() == QLatin1String("data"))
            return m_view->reload();
        loading();
        m_view->load(m_view->url());
    }

    QString LocationName() const override { return m_view->title(); }
    QString LocationURL() const override
    {
        const QUrl url = m_view->url();
        if (url.isLocalFile() && !url.hasQuery() && !url.hasFragment())
            return QDir::toNativeSeparators(url.toLocalFile());
        return url.toString();
    }
    bool Busy() const override { return m_busy; }

    qreal zoomFactor() const override { return m_view->zoomFactor(); }
    void setZoomFactor(qreal factor) override { m_view->setZoomFactor(factor); }
    void Find(const QString &text, bool backward) override
    {
        // A search that a later one overtook reports nothing found: only the latest counts.
        const int request = ++m_findRequests;
        m_view->findText(text,
                         backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags(),
                         [self = QPointer<WebEngineBrowser>(this), text,
                          request](const QWebEngineFindTextResult &result) {
                             if (self && request == self->m_findRequests && !text.isEmpty())
                                 Q_EMIT self->FindFinished(result.numberOfMatches() > 0);
                         });
    }
    void ExitFullScreen() override { m_view->triggerPageAction(QWebEnginePage::ExitFullScreen); }
    void ShowHtml(const QString &html) override { m_view->setHtml(html, m_view->url()); }

    void ReadShownImages() override
    {
        // Only the latest question is answered.
        const int request = ++m_imageReads;
        m_readingImages = true;
        m_view->page()->runJavaScript(
            ShownImagesScript, QWebEngineScript::ApplicationWorld,
            [self = QPointer<WebEngineBrowser>(this), request](const QVariant &answer) {
                if (self && self->m_readingImages && request == self->m_imageReads)
                    self->imagesRead(answer);
            });
    }
    QByteArray UserAgent() const override
    {
        return m_view->page()->profile()->httpUserAgent().toUtf8();
    }
    void FollowCookies(QObject *receiver, CookieHandler added, CookieHandler removed) override
    {
        for (const QNetworkCookie &cookie : browserCookies())
            added(cookie);
        QWebEngineCookieStore *store = m_view->page()->profile()->cookieStore();
        connect(store, &QWebEngineCookieStore::cookieAdded, receiver, std::move(added));
        connect(store, &QWebEngineCookieStore::cookieRemoved, receiver, std::move(removed));
    }

protected:
    void load(const QString &address) override
    {
        // A plain path is a local file; anything else is an address as typed.
        const QUrl url = QDir::isAbsolutePath(address) && !address.startsWith(QLatin1String("//"))
                             ? QUrl::fromLocalFile(address)
                             : QUrl::fromUserInput(address, QDir::currentPath());
        loading();
        m_view->load(url);
    }

private:
    void imagesRead(const QVariant &answer)
    {
        m_readingImages = false;
        const QVariantMap read = answer.toMap();
        ShownImages images;
        images.ok = read.contains(QStringLiteral("page"));
        images.error = images.ok ? QString() : QStringLiteral("the page gave no answer");
        images.page = read.value(QStringLiteral("page")).toString();
        images.addresses = read.value(QStringLiteral("images")).toStringList();
        Q_EMIT ShownImagesRead(images);
    }
    void requested(WebEngineDownload *download)
    {
        Q_EMIT PageDownloadRequested(download);
        // Not accepted: the engine drops the request, and so does its owner.
        if (!download->accepted())
            download->deleteLater();
    }
    void loading()
    {
        if (!std::exchange(m_busy, true))
            Q_EMIT LoadStarted();
    }

    WebView *m_view;
    bool m_busy = false;
    int m_findRequests = 0;
    int m_imageReads = 0;
    bool m_readingImages = false;
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
