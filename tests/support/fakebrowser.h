#pragma once

#include "platform/browserengine.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace kuokuo::test {

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
    QString name;
    QString url;
    bool busy = false;

    QWidget *widget() const override { return m_widget; }
    void GoBack() override { calls << QStringLiteral("GoBack"); }
    void GoForward() override { calls << QStringLiteral("GoForward"); }
    void GoHome() override { calls << QStringLiteral("GoHome"); }
    void GoSearch() override { calls << QStringLiteral("GoSearch"); }
    void Stop() override { calls << QStringLiteral("Stop"); }
    void Refresh() override { calls << QStringLiteral("Refresh"); }
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

protected:
    void load(const QString &address) override
    {
        calls << QStringLiteral("load|") + address;
        busy = true;
    }

private:
    QWidget *m_widget;
};

// Makes fake controls and keeps the latest one for the test.
class FakeBrowserEngines final : public BrowserEngineFactory
{
public:
    QPointer<FakeBrowserEngine> latest;

    BrowserEngine *create(QWidget *parent) override
    {
        latest = new FakeBrowserEngine(parent);
        return latest;
    }
};

} // namespace kuokuo::test
