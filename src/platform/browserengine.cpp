#include "platform/browserengine.h"

#include "platform/schemelauncher.h"

#include <QDesktopServices>
#include <QDir>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

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
