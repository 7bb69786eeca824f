#include "common/filenames.h"
#include "mascot/form1.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "shell/frmbrowser.h"
#include "shell/navigator.h"
#include "shell/sessionend.h"
#include "support/fakebrowser.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
const QByteArray Servers = "[rmssaaba.rtp]\r\n1\r\nirc.local\r\n\r\n";
const QByteArray Rooms = "[rmsheya.rtp]\r\n0\r\n\r\n";
const QByteArray Addresses = "[rad.rtp]\r\n2\r\nhttp://127.0.0.1/a\r\nhttp://127.0.0.1/b\r\n\r\n";

QByteArray shipped(const QString &name)
{
    QFile file(QStringLiteral(":/content/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first section of a settings file: its lines up to and including the first empty one.
QByteArray firstSection(const QByteArray &settings)
{
    const qsizetype end = settings.indexOf("\r\n\r\n");
    return settings.left(end + 4);
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startUpSplitsAndShowsStartPage();
    void missingSettingsFileComesFromTheProgram();
    void contentIsNeverOverwritten();
    void failedSplitLeavesWindowWithoutPage();
    void exitSavesThenBidsFarewell();
    void exitWithMissingWorkingFileKeepsSettings();
    void closeRequestIsIgnoredAfterStartUp();
    void sessionEndSavesWithoutFarewell();
    void sessionEndAfterExitSavesNothingMore();
    void pageButtonAfterExitLoadsTheNavigatorAgain();

private:
    QByteArray settings() const { return m_lines + Servers + Rooms + Addresses; }
    QStringList listEntries(frmBrowser *window) const
    {
        QStringList entries;
        for (int i = 0; i < window->cboAddress()->count(); ++i)
            entries << window->cboAddress()->itemText(i);
        return entries;
    }

    FakeBrowserEngines m_engines;
    FakeDialogs m_dialogs;
    std::optional<TestProgramFolder> m_folder;
    std::optional<Installed<BrowserEngineFactory>> m_installed;
    std::optional<Installed<Dialogs>> m_installedDialogs;
    QByteArray m_lines;
};

void StartupTest::init()
{
    m_folder.emplace();
    m_folder->installMascotLines();
    m_lines = m_folder->read(FileNames::Lines);
    QVERIFY(QFile::remove(m_folder->file(FileNames::Lines)));
    m_installed.emplace(m_engines);
    m_dialogs = FakeDialogs();
    m_installedDialogs.emplace(m_dialogs);
}

void StartupTest::cleanup()
{
    delete Forms::loaded<frmBrowser>();
    delete Forms::loaded<kuokuoform>();
    delete Forms::loaded<Form1>();
    Forms::resetEnding();
    m_installed.reset();
    m_installedDialogs.reset();
    m_folder.reset();
}

void StartupTest::startUpSplitsAndShowsStartPage()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    QVERIFY(m_folder->write(FileNames::Addresses, "stale\r\n"));

    frmBrowser *window = startNavigator();
    QCOMPARE(m_folder->read(FileNames::Lines), m_lines);
    QCOMPARE(m_folder->read(FileNames::Servers), Servers);
    QCOMPARE(m_folder->read(FileNames::Rooms), Rooms);
    QCOMPARE(m_folder->read(FileNames::Addresses), Addresses);
    QCOMPARE(m_folder->read(FileNames::Settings), settings());

    const QString start = m_folder->path() + "/kuokuonavi.html";
    QVERIFY(window->isVisible());
    QCOMPARE(window->StartingAddress, start);
    QCOMPARE(window->cboAddress()->currentText(), start);
    QCOMPARE(listEntries(window), (QStringList{"http://127.0.0.1/a", "http://127.0.0.1/b"}));
    QCOMPARE(m_engines.latest->calls, QStringList{"load|" + start});
    QVERIFY(window->findChild<QTimer *>("timTimer")->isActive());
    // Moved to 50, 330 twips at 15 twips a pixel.
    QCOMPARE(window->cboAddress()->pos(), QPoint(3, 22));
    QVERIFY(m_folder->exists(FileNames::StartPage));
    QVERIFY(!Forms::loaded<kuokuoform>());
    QVERIFY(!Forms::loaded<Form1>());
}

void StartupTest::missingSettingsFileComesFromTheProgram()
{
    QDir(m_folder->path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_folder->path()));

    frmBrowser *window = startNavigator();
    const QByteArray defaults = shipped(FileNames::Settings);
    QVERIFY(!defaults.isEmpty());
    QCOMPARE(m_folder->read(FileNames::Settings), defaults);
    QCOMPARE(m_folder->read(FileNames::Lines), firstSection(defaults));
    QCOMPARE(m_folder->read(FileNames::Addresses), QByteArray("[rad.rtp]\r\n0\r\n\r\n"));
    QCOMPARE(m_engines.latest->calls, QStringList{"load|" + window->StartingAddress});

    // The run's changes now reach the settings file at exit.
    window->cboAddress()->setEditText(QStringLiteral("http://127.0.0.1/neko"));
    window->findChild<QAction *>("adoresut")->trigger();
    window->findChild<QAction *>("end")->trigger();
    QCOMPARE(m_folder->read(FileNames::SettingsBackup), defaults);
    QCOMPARE(m_folder->read(FileNames::Settings),
             firstSection(defaults) + "[rmssaaba.rtp]\r\n0\r\n\r\n[rmsheya.rtp]\r\n0\r\n\r\n"
                                      "[rad.rtp]\r\n1\r\nhttp://127.0.0.1/neko\r\n\r\n");
    // The shipped lines and pictures work: the farewell shows line 7.
    QCOMPARE(Forms::loaded<kuokuoform>()->shownLine(), qint16(7));
}

void StartupTest::contentIsNeverOverwritten()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    QVERIFY(m_folder->write(FileNames::StartPage, "<title>mine</title>"));
    QVERIFY(m_folder->write("kuokuo.svg", "my own cat"));
    startNavigator();
    QCOMPARE(m_folder->read(FileNames::Settings), settings());
    QCOMPARE(m_folder->read(FileNames::StartPage), QByteArray("<title>mine</title>"));
    QCOMPARE(m_folder->read("kuokuo.svg"), QByteArray("my own cat"));
    QCOMPARE(m_folder->read(FileNames::ChatPage), shipped(FileNames::ChatPage));
}

void StartupTest::failedSplitLeavesWindowWithoutPage()
{
    // A folder where the settings file should be: it cannot be read.
    QVERIFY(QDir(m_folder->path()).mkdir(FileNames::Settings));
    QVERIFY(m_folder->write(FileNames::Addresses, Addresses));

    frmBrowser *window = startNavigator();
    QVERIFY(window->isVisible());
    QVERIFY(m_engines.latest->calls.isEmpty());
    QVERIFY(window->cboAddress()->currentText().isEmpty());
    QCOMPARE(window->cboAddress()->count(), 0);
    QVERIFY(window->StartingAddress.isEmpty());
    QCOMPARE(m_folder->read(FileNames::Addresses), Addresses);
    QVERIFY(!m_folder->exists(FileNames::Lines));
}

void StartupTest::exitSavesThenBidsFarewell()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    QVERIFY(m_folder->write("notes.txt", "kept"));
    QPointer<frmBrowser> window = startNavigator();
    window->cboAddress()->setEditText(QStringLiteral("http://127.0.0.1/a"));
    window->findChild<QAction *>("adoresus")->trigger();

    window->findChild<QAction *>("end")->trigger();
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(window.isNull()); // unloaded
    QCOMPARE(m_folder->read(FileNames::SettingsBackup), settings());
    QCOMPARE(m_folder->read(FileNames::Settings),
             m_lines + Servers + Rooms + "[rad.rtp]\r\n1\r\nhttp://127.0.0.1/b\r\n\r\n");

    kuokuoform *farewell = Forms::loaded<kuokuoform>();
    QVERIFY(farewell && farewell->isVisible());
    QCOMPARE(farewell->windowTitle(), QStringLiteral("それではまたあいましょうにゃあ"));
    QCOMPARE(farewell->shownLine(), qint16(7));
    QVERIFY(!farewell->findChild<QPushButton *>("Command7")->isVisible());
    QPushButton *goodbye = farewell->findChild<QPushButton *>("Command6");
    QVERIFY(goodbye->isVisible());

    Forms::instance<Form1>()->show(); // another window open does not stop the end
    goodbye->click();
    QVERIFY(Forms::ending());
    const QStringList left = QDir(m_folder->path()).entryList(QDir::Files, QDir::Name);
    QVERIFY(left.filter(QStringLiteral(".rtp")).isEmpty());
    QVERIFY(left.contains(FileNames::Settings));
    QVERIFY(left.contains(FileNames::SettingsBackup));
    QVERIFY(left.contains("notes.txt"));
    QVERIFY(left.contains("cat7.png"));

    // The next start writes the working files out again, byte for byte.
    delete Forms::loaded<Form1>();
    delete Forms::loaded<kuokuoform>();
    Forms::resetEnding();
    startNavigator();
    QCOMPARE(m_folder->read(FileNames::Lines), m_lines);
    QCOMPARE(m_folder->read(FileNames::Addresses),
             QByteArray("[rad.rtp]\r\n1\r\nhttp://127.0.0.1/b\r\n\r\n"));
}

void StartupTest::exitWithMissingWorkingFileKeepsSettings()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    QVERIFY(m_folder->write(FileNames::SettingsBackup, "older backup"));
    frmBrowser *window = startNavigator();
    QVERIFY(QFile::remove(m_folder->file(FileNames::Rooms)));

    window->findChild<QAction *>("end")->trigger();
    QCOMPARE(m_folder->read(FileNames::SettingsBackup), settings());
    QCOMPARE(m_folder->read(FileNames::Settings), settings());
    QVERIFY(!Forms::loaded<kuokuoform>()); // no farewell, but the user hears of it
    QCOMPARE(m_dialogs.calls,
             QStringList{"message|KUOKUOナビ|設定ファイル（kuekuenavi.ini）に"
                         "保存できなかったにゃあ！ディスクの空きを確かめてにゃあ"});
}

void StartupTest::closeRequestIsIgnoredAfterStartUp()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    QPointer<frmBrowser> window = startNavigator();
    QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!window->close()); // as Alt+F4 or the window manager asks
    QCloseEvent request;
    QApplication::sendEvent(window, &request);
    QVERIFY(!request.isAccepted());
    QCoreApplication::processEvents();
    QVERIFY(window && window->isVisible());
    QCOMPARE(m_folder->read(FileNames::Settings), settings());
    QVERIFY(!m_folder->exists(FileNames::SettingsBackup));
}

void StartupTest::sessionEndSavesWithoutFarewell()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    frmBrowser *window = startNavigator();
    window->cboAddress()->setEditText(QStringLiteral("http://127.0.0.1/c"));
    window->findChild<QAction *>("adoresut")->trigger();

    SessionEnd sessionEnd;
    QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
    QVERIFY(sessionEnd.watchSignals());
    QVERIFY(::kill(::getpid(), SIGTERM) == 0);
    QTRY_COMPARE(ended.size(), 1);
    QCOMPARE(ended.first().first().toBool(), true);
    QVERIFY(Forms::ending());
    QCOMPARE(m_folder->read(FileNames::SettingsBackup), settings());
    QCOMPARE(m_folder->read(FileNames::Settings),
             m_lines + Servers + Rooms +
                 "[rad.rtp]\r\n3\r\nhttp://127.0.0.1/a\r\nhttp://127.0.0.1/b\r\n"
                 "http://127.0.0.1/c\r\n\r\n");
    QVERIFY(!Forms::loaded<kuokuoform>());
    QVERIFY(m_folder->exists(FileNames::Addresses)); // the next start overwrites it
}

void StartupTest::sessionEndAfterExitSavesNothingMore()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    startNavigator()->end_Click();
    const QByteArray backup = m_folder->read(FileNames::SettingsBackup);
    QVERIFY(m_folder->write(FileNames::Addresses, "[rad.rtp]\r\n0\r\n\r\n"));
    QTRY_VERIFY(!Forms::loaded<frmBrowser>());

    SessionEnd sessionEnd;
    QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
    sessionEnd.sessionEnding(); // as the session manager asks
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.first().first().toBool(), false);
    QVERIFY(Forms::ending());
    QCOMPARE(m_folder->read(FileNames::SettingsBackup), backup);
    QCOMPARE(m_folder->read(FileNames::Settings), settings());
}

void StartupTest::pageButtonAfterExitLoadsTheNavigatorAgain()
{
    QVERIFY(m_folder->write(FileNames::Settings, settings()));
    startNavigator();
    Form1 *greeting = Forms::instance<Form1>();
    greeting->show();
    Forms::loaded<frmBrowser>()->findChild<QAction *>("end")->trigger();
    QTRY_VERIFY(!Forms::loaded<frmBrowser>());

    greeting->findChild<QPushButton *>("Command1")->click();
    frmBrowser *again = Forms::loaded<frmBrowser>();
    QVERIFY(again && again->isVisible());
    QCOMPARE(listEntries(again), (QStringList{"http://127.0.0.1/a", "http://127.0.0.1/b"}));
    again->cboAddress()->setEditText(QStringLiteral("http://127.0.0.1/c"));
    again->findChild<QAction *>("adoresut")->trigger();
    again->findChild<QAction *>("end")->trigger();
    QCOMPARE(m_folder->read(FileNames::Settings),
             m_lines + Servers + Rooms +
                 "[rad.rtp]\r\n3\r\nhttp://127.0.0.1/a\r\nhttp://127.0.0.1/b\r\n"
                 "http://127.0.0.1/c\r\n\r\n");
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
