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
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
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
    inline static const QByteArray EarlierCopy = QByteArray(5000, 'e');

    void startServer()
    {
        server = std::make_unique<HttpServer>();
        QVERIFY(server->isRunning());
        program.installMascotLines();
    }

    void stopServer() { server.reset(); }

    // A new download folder and a new window that starts there.
    void openWindow()
    {
        folder = std::make_unique<QTemporaryDir>();
        server->clearRequests();
        dialogs = std::make_unique<FakeDialogs>();
        installedDialogs = std::make_unique<Installed<Dialogs>>(*dialogs);
        form = Forms::instance<MainForm>(folder->path());
        form->show();
        Inet::setTimeout(std::chrono::seconds(1));
        announced.clear();
        states.clear();
        // What a run writes into TFile (the names it handles, in order), and the transfer
        // states it shows.
        connect(box("TFile"), &QLineEdit::textChanged, this, [this](const QString &text) {
            if (form->running())
                announced << text;
        });
        connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this,
                [this](qint16 state) { states << state; });
    }

    // Serves the numbered files of `pattern` in the server's `path` by a plan such as
    // "1..2W 3S -5..9W": W a whole file, S a short answer, E an error status, R a connection
    // reset mid-body, T a trickle; C a short answer and an earlier copy in the download folder,
    // D a whole file and a folder of its name in the way.
    void serve(const QString &path, const QString &pattern, const QString &plan)
    {
        static const QRegularExpression step("^(-?\\d+)(?:\\.\\.(-?\\d+))?([WSERTCD])$");
        const RennbannField field = rennbannfield(pattern);
        for (const QString &token : plan.split(' ', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch match = step.match(token);
            if (!match.hasMatch())
                qFatal("bad plan %s", qPrintable(token));
            const int first = match.captured(1).toInt();
            const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
            for (int n = first; n <= last; ++n) {
                const QString name = rennbannname(pattern, field, qint16(n));
                const QString at = path + name;
                switch (match.captured(3).at(0).toLatin1()) {
                case 'W':
                    server->generated(at, Whole);
                    break;
                case 'S':
                    server->generated(at, Short);
                    break;
                case 'E':
                    server->status(at, 404, 10 * 1024);
                    break;
                case 'R':
                    server->reset(at, 100000, 30000);
                    break;
                case 'T':
                    server->trickle(at, std::chrono::milliseconds(1500));
                    break;
                case 'C': {
                    server->generated(at, Short);
                    QFile earlier(folder->filePath(name));
                    if (!earlier.open(QIODevice::WriteOnly) || earlier.write(EarlierCopy) != 5000)
                        qFatal("cannot write %s", qPrintable(name));
                    break;
                }
                case 'D':
                    server->generated(at, Whole);
                    QDir(folder->path()).mkdir(name);
                    break;
                }
            }
        }
    }

    // The states of the transfers, one transfer after another, each in its own order.
    static bool inOrder(const QList<int> &shown)
    {
        for (qsizetype i = 1; i < shown.size(); ++i) {
            if (shown[i] != 1 && shown[i] <= shown[i - 1])
                return false;
        }
        return shown.isEmpty() || shown.first() == 1 || shown.first() == 11;
    }

    void closeWindow()
    {
        delete Forms::loaded<MainForm>();
        delete Forms::loaded<kuokuoform>();
        installedDialogs.reset();
        dialogs.reset();
        folder.reset();
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

    std::unique_ptr<HttpServer> server;
    QStringList announced;
    QList<int> states;
    TestProgramFolder program;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<FakeDialogs> dialogs;
    std::unique_ptr<Installed<Dialogs>> installedDialogs;
    MainForm *form = nullptr;

private:
};

} // namespace kuokuo::test
