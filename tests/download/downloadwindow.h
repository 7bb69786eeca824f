#pragma once

#include "download/mainform.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "platform/inet.h"
#include "support/fakes.h"
#include "support/httpserver.h"
#include "support/testfolder.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace kuokuo::test {

// What the tests of the download window share: a server, a program folder with the cat's
// lines, scripted dialogs and a fresh download folder with a fresh window for every test.
class DownloadWindowTest : public QObject
{
protected:
    static constexpr qint64 Whole = 4000; // a numbered file that exists
    static constexpr qint64 Short = 120;  // what a server sends instead of a missing file

    void startServer()
    {
        server = std::make_unique<HttpServer>();
        QVERIFY(server->isRunning());
        program.installMascotLines();
        m_startFolder = QDir::currentPath();
    }

    void stopServer()
    {
        Inet::manager().clearConnectionCache();
        server.reset();
        QDir::setCurrent(m_startFolder);
    }

    // A new download folder, made the current folder, and a new window that starts there.
    void openWindow()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(folder->path()));
        server->clearRequests();
        dialogs = std::make_unique<FakeDialogs>();
        installedDialogs = std::make_unique<Installed<Dialogs>>(*dialogs);
        form = Forms::instance<MainForm>();
        form->show();
    }

    void closeWindow()
    {
        delete Forms::loaded<MainForm>();
        delete Forms::loaded<kuokuoform>();
        installedDialogs.reset();
        dialogs.reset();
        QDir::setCurrent(m_startFolder);
        folder.reset();
        Inet::setTimeout(Inet::DefaultTimeout);
    }

    template <class Control = QWidget>
    Control *control(const QString &name) const
    {
        Control *found = form->findChild<Control *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit *box(const QString &name) const { return control<QLineEdit>(name); }
    QString statusText() const { return control<QStatusBar>("SB")->currentMessage(); }
    bool visible(const QString &name) const { return !control(name)->isHidden(); }

    // The line the cat spoke last, 0 when it said nothing.
    static int spokenLine()
    {
        const kuokuoform *cat = Forms::loaded<kuokuoform>();
        return cat ? cat->shownLine() : 0;
    }

    // Every entry of the download folder, hidden ones included.
    QStringList files() const
    {
        return QDir(folder->path())
            .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    QByteArray saved(const QString &name) const
    {
        QFile file(folder->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The files a server holds for names `prefix` + number + `suffix`, numbers written with
    // `digits` places.
    void serveSeries(const QString &prefix, int first, int last, int digits, const QString &suffix,
                     qint64 size = Whole)
    {
        for (int n = first; n <= last; ++n)
            server->generated(prefix + QString::number(n).rightJustified(digits, u'0') + suffix,
                              size);
    }

    std::unique_ptr<HttpServer> server;
    TestProgramFolder program;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<FakeDialogs> dialogs;
    std::unique_ptr<Installed<Dialogs>> installedDialogs;
    MainForm *form = nullptr;

private:
    QString m_startFolder;
};

} // namespace kuokuo::test
