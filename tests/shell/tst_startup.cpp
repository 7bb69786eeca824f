#include "shell/navigator.h"
#include "shell/sessionend.h"
#include "support/session.h"

#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace {
const QByteArray SR = "[rmssaaba.rtp]\r\n1\r\nirc.local\r\n\r\n[rmsheya.rtp]\r\n0\r\n\r\n";
const QStringList AB = {"http://127.0.0.1/a", "http://127.0.0.1/b"};
} // namespace

// The program's start and its ends: the exit command, the farewell, the end of the session.
class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_session.emplace();
        m_lines = folder().read(FileNames::Lines); // the first section of the settings file
        QVERIFY(QFile::remove(folder().file(FileNames::Lines)));
        QVERIFY(folder().write(FileNames::Settings, saved(AB)));
    }
    void cleanup() { m_session.reset(); }
    void startUpSplitsAndShowsTheStartPage()
    {
        QVERIFY(folder().write(FileNames::Addresses, "stale\r\n"));
        QVERIFY(folder().write(FileNames::StartPage, "<title>mine</title>")); // never overwritten
        QPointer<frmBrowser> window = startNavigator();
        QCOMPARE(folder().read(FileNames::Lines) + folder().read(FileNames::Servers) +
                     folder().read(FileNames::Rooms) + folder().read(FileNames::Addresses),
                 saved(AB));
        QCOMPARE(folder().read(FileNames::StartPage), QByteArray("<title>mine</title>"));
        const QString start = folder().file(FileNames::StartPage);
        QCOMPARE(window->cboAddress()->currentText(), start);
        QCOMPARE(items(window->cboAddress()), AB);
        QCOMPARE(m_session->engines.log, QStringList{"load|" + start});
        QVERIFY(window->isVisible() && window->findChild<QTimer *>("timTimer")->isActive());
        QCOMPARE(window->cboAddress()->pos(), QPoint(3, 22)); // moved to 50, 330 twips
        // No close command: a request to close (Alt+F4, the window manager) changes nothing.
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint) && !window->close());
        QCoreApplication::processEvents();
        QVERIFY(window && window->isVisible() && !folder().exists(FileNames::SettingsBackup));
    }
    void exitSavesThenBidsFarewell()
    {
        QVERIFY(folder().write("notes.txt", "kept"));
        QPointer<frmBrowser> window = startNavigator();
        menu("adoresus", "http://127.0.0.1/a");
        menu("end");
        QTRY_VERIFY(window.isNull()); // unloaded
        QCOMPARE(folder().read(FileNames::SettingsBackup), saved(AB));
        QCOMPARE(folder().read(FileNames::Settings), saved({"http://127.0.0.1/b"}));
        kuokuoform *farewell = Forms::loaded<kuokuoform>();
        QVERIFY(farewell && farewell->isVisible());
        QCOMPARE(shownTexts(farewell, "kuokuoform=それではまたあいましょうにゃあ"),
                 "kuokuoform=それではまたあいましょうにゃあ");
        QCOMPARE(shownLine(farewell), 7);
        QVERIFY(!farewell->findChild<QPushButton *>("Command7")->isVisible());
        Forms::show<Form1>(); // another window open does not keep the program
        click(farewell, "Command6");
        QVERIFY(Forms::ending());
        QCOMPARE(QDir(folder().path()).entryList({"*.rtp", "*.ini", "*.bak", "*.txt"}),
                 QStringList({"kuekuenavi.bak", "kuekuenavi.ini", "notes.txt"}));
        Forms::resetEnding(); // the next start writes the working files out again
        startNavigator();
        QCOMPARE(folder().read(FileNames::Lines), m_lines);
        QCOMPARE(folder().read(FileNames::Addresses), listFile("rad.rtp", {"http://127.0.0.1/b"}));
    }
    void failedExitIsTold()
    {
        startNavigator();
        QVERIFY(QFile::remove(folder().file(FileNames::Rooms)));
        menu("end");
        QCOMPARE(folder().read(FileNames::SettingsBackup) + folder().read(FileNames::Settings),
                 saved(AB) + saved(AB));
        QVERIFY(!Forms::loaded<kuokuoform>()); // no farewell: the working files stay
        QCOMPARE(m_session->dialogs.calls,
                 QStringList{"message|KUOKUOナビ|設定ファイル（kuekuenavi.ini）に"
                             "保存できなかったにゃあ！ディスクの空きを確かめてにゃあ"});
    }
    void sessionEndSavesWithoutFarewell()
    {
        startNavigator();
        menu("adoresut", "http://127.0.0.1/c");
        SessionEnd sessionEnd;
        QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
        QVERIFY(sessionEnd.watchSignals() && ::kill(::getpid(), SIGTERM) == 0);
        QTRY_COMPARE(ended.size(), 1);
        QVERIFY(ended.first().first().toBool() && Forms::ending() && !Forms::loaded<kuokuoform>());
        QCOMPARE(folder().read(FileNames::SettingsBackup), saved(AB));
        QCOMPARE(folder().read(FileNames::Settings), saved(AB + QStringList{"http://127.0.0.1/c"}));
    }
    void afterTheExitAPageButtonLoadsTheNavigatorAgain()
    {
        startNavigator();
        Form1 *greeting = Forms::show<Form1>();
        menu("end");
        QTRY_VERIFY(!Forms::loaded<frmBrowser>());
        click(greeting, "Command1");
        QVERIFY(Forms::loaded<frmBrowser>() && Forms::loaded<frmBrowser>()->isVisible());
        QCOMPARE(items(Forms::loaded<frmBrowser>()->cboAddress()), AB);
        menu("adoresut", "http://127.0.0.1/c");
        menu("end");
        const QByteArray settings = saved(AB + QStringList{"http://127.0.0.1/c"});
        QCOMPARE(folder().read(FileNames::Settings), settings);
        // The session's end after the exit saves nothing more.
        QTRY_VERIFY(!Forms::loaded<frmBrowser>());
        QVERIFY(folder().write(FileNames::Addresses, listFile("rad.rtp", {})));
        SessionEnd sessionEnd;
        QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
        sessionEnd.sessionEnding(); // as the session manager asks
        QVERIFY(!ended.first().first().toBool() && Forms::ending());
        QCOMPARE(folder().read(FileNames::SettingsBackup) + folder().read(FileNames::Settings),
                 saved(AB) + settings);
    }

private:
    TestProgramFolder &folder() { return m_session->folder; }
    // A settings file with the cat's lines, one server, no room and `addresses`.
    QByteArray saved(const QStringList &addresses) const
    {
        return m_lines + SR + listFile("rad.rtp", addresses);
    }
    // Types `address` into the navigator's box and has the menu item `item` act on it.
    static void menu(const char *item, const QString &address = QString())
    {
        QVERIFY(address.isEmpty() || typeInto(Forms::loaded<frmBrowser>()->cboAddress(), address));
        trigger(Forms::loaded<frmBrowser>(), item);
    }

    std::optional<TestSession> m_session;
    QByteArray m_lines;
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
