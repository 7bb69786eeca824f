#pragma once

#include "platform/browserengine.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace kuokuo::test {

// A download the test plays the engine's part for: it records where it was accepted into or
// that it was cancelled, and reports the progress and the end the test gives it.
class FakePageDownload final : public PageDownload
{
public:
    QString suggested;
    QString acceptedPath;
    bool cancelled = false;
    qint64 received = 0;
    qint64 total = -1;

    QString suggestedFileName() const override { return suggested; }
    void accept(const QString &path) override { acceptedPath = path; }
    void cancel() override { cancelled = true; }
    qint64 receivedBytes() const override { return received; }
    qint64 totalBytes() const override { return total; }
    QString errorString() const override { return QStringLiteral("test"); }

    void advance(qint64 bytes, qint64 size)
    {
        received = bytes;
        total = size;
        Q_EMIT progress();
    }
    void end(End end) { Q_EMIT ended(end); }
};

// A browser control that records what the window asks of it and reports what the test sets.
// Every call is logged as "GoBack", "load|address" and so on; Navigate logs "load|address" for
// the addresses the engine shows itself.
class FakeBrowserEngine final : public BrowserEngine
{
public:
    explicit FakeBrowserEngine(QWidget *parent)
        : BrowserEngine(parent)
        , m_widget(new QWidget(parent))
    {
        m_widget->setObjectName(QStringLiteral("brwWebBrowser"));
    }

    QStringList calls;
    // Where the factory also records the calls, so that they outlive the control.
    QStringList *log = nullptr;
    QString name;
    QString url;
    bool busy = false;

    QWidget *widget() const override { return m_widget; }
    void GoBack() override { record(QStringLiteral("GoBack")); }
    void GoForward() override { record(QStringLiteral("GoForward")); }
    void GoHome() override { record(QStringLiteral("GoHome")); }
    void GoSearch() override { record(QStringLiteral("GoSearch")); }
    void Stop() override { record(QStringLiteral("Stop")); }
    void Refresh() override { record(QStringLiteral("Refresh")); }
    QString LocationName() const override { return name; }
    QString LocationURL() const override { return url; }
    bool Busy() const override { return busy; }

    // The page finished loading: the control reports its title and address.
    void finish(const QString &title, const QString &address)
    {
        name = title;
        url = address;
        busy = false;
        Q_EMIT DownloadComplete();
    }

    // A link led to a file the control does not show.
    void requestDownload(FakePageDownload *download) { Q_EMIT PageDownloadRequested(download); }

protected:
    void load(const QString &address) override
    {
        record(QStringLiteral("load|") + address);
        busy = true;
    }

private:
    void record(const QString &call)
    {
        calls << call;
        if (log)
            *log << call;
    }

    QWidget *m_widget;
};

// Makes fake controls and keeps the latest one for the test.
class FakeBrowserEngines final : public BrowserEngineFactory
{
public:
    QPointer<FakeBrowserEngine> latest;
    QStringList log; // the calls of every control made, also of those gone

    BrowserEngine *create(QWidget *parent) override
    {
        latest = new FakeBrowserEngine(parent);
        latest->log = &log;
        return latest;
    }
};

} // namespace kuokuo::test
