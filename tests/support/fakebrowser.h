#pragma once

#include "platform/browserengine.h"

#include <QFile>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace kuokuo::test {

// A file a link leads to, "neko.bin": the engine writes what the test sends into the path the
// file is accepted into.
struct FakePageDownload final : PageDownload
{
    using PageDownload::PageDownload;
    QFile file;
    qint64 received = 0, total = 0;
    QString suggestedFileName() const override { return QStringLiteral("neko.bin"); }
    bool savesPage() const override { return false; }
    void accept(const QString &path) override
    {
        file.setFileName(path);
        file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    void cancel() override {}
    qint64 receivedBytes() const override { return received; }
    qint64 totalBytes() const override { return total; }
    QString errorString() const override { return QStringLiteral("cut"); }
    void arrive(const QByteArray &bytes)
    {
        received += file.write(bytes);
        Q_EMIT progress();
    }
};

// A browser control that logs what the window asks of it ("GoBack", "load|address" for the
// addresses the engine shows itself) and reports what the test sets.
class FakeBrowserEngine final : public BrowserEngine
{
public:
    FakeBrowserEngine(QWidget *parent, QStringList &log)
        : BrowserEngine(parent)
        , m_widget(new QWidget(parent))
        , m_log(log)
    {
        m_widget->setObjectName(QStringLiteral("brwWebBrowser"));
        m_widget->setFocusPolicy(Qt::StrongFocus); // as a web view takes the focus on a click
    }

    QString name, url;
    bool busy = false;

    QWidget *widget() const override { return m_widget; }
    void GoBack() override { m_log << QStringLiteral("GoBack"); }
    void GoForward() override { m_log << QStringLiteral("GoForward"); }
    void GoHome() override { m_log << QStringLiteral("GoHome"); }
    void GoSearch() override { m_log << QStringLiteral("GoSearch"); }
    void Stop() override { m_log << QStringLiteral("Stop"), busy = false; }
    void Refresh() override { m_log << QStringLiteral("Refresh"); }
    QString LocationName() const override { return name; }
    QString LocationURL() const override { return url; }
    bool Busy() const override { return busy; }
    qreal zoom = 1;
    qreal zoomFactor() const override { return zoom; }
    void setZoomFactor(qreal f) override { m_log << QStringLiteral("zoom|%1").arg(zoom = f); }
    void Find(const QString &t, bool back) override { m_log << "Find|" + t + (back ? "|1" : "|0"); }
    void ExitFullScreen() override { Q_EMIT FullScreenRequested(false); }
    void ShowHtml(const QString &) override {}
    void ReadShownImages() override { Q_EMIT ShownImagesRead({true, {}, url, {}}); }
    QByteArray UserAgent() const override { return "FakeBrowser/1"; }
    void FollowCookies(QObject *, CookieHandler, CookieHandler) override {}

    // The page finished loading: the control reports its title and address.
    void finish(const QString &title, const QString &address)
    {
        name = title, url = address, busy = false;
        Q_EMIT DownloadComplete();
    }

protected:
    void load(const QString &address) override
    {
        m_log << QStringLiteral("load|") + address;
        busy = true;
        Q_EMIT LoadStarted();
    }

private:
    QWidget *m_widget;
    QStringList &m_log;
};

// Makes fake controls, keeps the latest one and the calls of all of them, also of those gone.
class FakeBrowserEngines final : public BrowserEngineFactory
{
public:
    QPointer<FakeBrowserEngine> latest;
    QStringList log;
    BrowserEngine *create(QWidget *parent) override
    {
        return latest = new FakeBrowserEngine(parent, log);
    }
};

} // namespace kuokuo::test
