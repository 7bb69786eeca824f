#include "platform/browserprofile.h"
#include "shell/findbar.h"
#include "shell/navigator.h"
#include "shell/pagedownloads.h"
#include "support/httpserver.h"
#include "support/listing.h"
#include "support/rows.h"
#include "support/session.h"

#include <QLoggingCategory>
#include <QMenuBar>
#include <QProcess>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray Html = "text/html; charset=utf-8";
// Its title tells when it has been drawn, and then whether it fills the screen.
const QByteArray FullScreenPage =
    "<button style='width:300px;height:200px' "
    "onclick='document.documentElement.requestFullscreen()'>full</button><script>"
    "requestAnimationFrame(()=>requestAnimationFrame(()=>document.title='normal'));"
    "document.onfullscreenchange=()=>document.title=document.fullscreenElement?'fs':'normal'"
    "</script>";
} // namespace

// The navigator with the real web view, on a real X server, driven by the user's keys.
class SmokeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_folder.emplace();
        m_window = startNavigator(); // on the start page that comes with the program
        QVERIFY(titled(QStringLiteral("KUOKUOナビへようこそにゃあ")));
    }
    void cleanup()
    {
        deleteWindows();
        m_folder.reset();
    }
    void pageDownloadsAppearOnlyWhole_data()
    {
        rows({"an archive|zip", "an image cut off, the old file stays|cut"}); // the link followed
    }
    void pageDownloadsAppearOnlyWhole()
    {
        const QString link = row()[0];
        constexpr qint64 Size = 3 * 1024 * 1024;
        server.generated("/neko.zip", Size, "application/zip");
        server.reset("/cut.jpg", Size, Size / 3);
        server.file(
            "/files.html",
            "<meta charset=utf-8><title>files</title><a id='zip' href='/neko.zip'>zip</a>"
            "<a id='cut' href='/cut.jpg' download>jpg</a><a id='mic' href='mic://srv/ねこ'>",
            Html);
        QTemporaryDir saved;
        QFile file(saved.filePath(QStringLiteral("保存.bin")));
        if (link == "cut") { // an old file stays
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        FakeDialogs dialogs;
        dialogs.saveAnswers << file.fileName();
        Installed<Dialogs> installed(dialogs);
        FakeSchemeLauncher launcher;
        Installed<SchemeLauncher> launcherInstalled(launcher);
        // The user types the page's address, then follows its links: a mic: link reaches the
        // scheme's handler exactly as the page wrote it.
        go("/files.html", "files");
        run("document.getElementById('mic').click();");
        QTRY_COMPARE_WITH_TIMEOUT(launcher.launched, QStringList{"mic://srv/ねこ"}, 10000);
        if (link == "cut") // the log tells how far it came, over the engine's own retries
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("failed after 1048576 of 3145728"));
        run(QStringLiteral("document.getElementById('%1').click();").arg(link));
        QTRY_VERIFY_WITH_TIMEOUT(Forms::loaded<kuokuoform>(), 10000);
        QVERIFY(QTest::qWaitForWindowExposed(Forms::loaded<kuokuoform>()));
        // The cat's news takes no key from the user: the window manager is told so (a user time
        // of 0 asks it not to give the new window the keyboard).
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(Forms::loaded<kuokuoform>()->winId()),
                              "_NET_WM_USER_TIME"});
        QVERIFY(xprop.waitForFinished() && xprop.readAll().endsWith(" = 0\n"));
        // Asked once, however often the engine retries; then the cat tells the end.
        const QString folderOfDialog = Forms::loaded<dlform>()->Label2()->text();
        QCOMPARE(
            dialogs.calls,
            QStringList{"save|" + PageDownloads::SaveTitle + "|" +
                        QDir(folderOfDialog).filePath(link == "zip" ? "neko.zip" : "cut.jpg")});
        const bool whole = link == "zip";
        QCOMPARE(words(Forms::loaded<kuokuoform>()),
                 whole ? QStringLiteral("「保存.bin」のダウンロードがおわったにゃあ！")
                       : QStringLiteral(
                             "「保存.bin」のダウンロードに失敗したにゃあ…もういちど試してにゃあ"));
        // Nothing but the file under its chosen name, whole, with the usual modes (umask 022).
        QTRY_COMPARE(listing(saved.path()), whole ? "保存.bin 3145728 644" : "保存.bin 3 640");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() ==
                (whole ? HttpServer::generatedContent("/neko.zip", Size) : "old"));
    }
    void questions_data()
    {
        // name|certificate|host|path|the user's keys|what is asked|the page shown then
        rows({"login refused|None|127.0.0.1|/auth|{Escape}|「127.0.0.1」のサイトが名前とパスワー"
              "ドをきいてるにゃあ\n（KUOKUO）|401",
              "login|None|localhost|/auth|neko{Tab}pass{Return}|user password●|welcome",
              "another name|OtherName|127.0.0.1|/page|{Escape}|べつの名前のサイト|127.0.0.1",
              "expired, gone on to|Expired|localhost|/page|{Alt+Y}|期限が切れて|page",
              "unknown authority|UnknownAuthority|a.localhost|/page|{Escape}|知らない|a.localhost",
              "notifications refused|None|127.0.0.1|/ask|{Escape}|「127.0.0.1」のページが、おし"
              "らせ（通知）を出すこと|denied",
              "notifications allowed|None|localhost|/ask|{Alt+Y}|（通知）|granted"});
    }
    void questions()
    {
        const QStringList field = row();
        const int tls =
            QString("None Good OtherName Expired UnknownAuthority").split(' ').indexOf(field[0]);
        HttpServer site{HttpServer::Tls(tls)};
        site.file("/auth", "<title>welcome</title>", Html);
        site.guard("/auth", "neko:pass");
        site.file("/page", "<title>page</title>", Html);
        site.file("/ask",
                  "<script>Notification.requestPermission().then(r=>document.title=r)"
                  "</script>",
                  Html);
        const QString address = site.url(field[2]).replace("127.0.0.1", field[1]);
        // Asked once: the answer holds for the rest of the run.
        for (const QString &keys : {field[3], QString()}) {
            answer(keys);
            go(address, field[5]);
            QVERIFY2(keys.isEmpty() ? m_asked.isEmpty() : m_asked.contains(field[4]),
                     qPrintable(m_asked));
        }
    }

    void keys_data()
    {
        // name|keys, with the focus in the page|what the user sees then: the zoom, where the
        // focus is, the find bar, the loads of the page
        rows({"zoom|{Ctrl++}{Ctrl+=}{Ctrl+Shift+;}{Ctrl+-}{Ctrl+Wheel}|150% page  1",
              "found|{Ctrl+F}ねこ{F3}{Shift+F3}|100% findText  1",
              "not found|{Ctrl+F}いぬ|100% findText 見つからないにゃあ 1",
              "the address|{Ctrl+L}|100% cboAddress  1", "reloaded|{F5}|100% page  2"});
    }
    void keys()
    {
        server.file("/find", "<title>find</title><p>ねこはかわいい。ねこはねる。", Html);
        go("/find", "find");
        server.clearRequests();
        QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, QPoint(5, 300));
        press(row()[0]);
        const auto seen = [this] {
            QWidget *focus = QApplication::focusWidget();
            const FindBar *bar = m_window->findChild<FindBar *>();
            return QStringLiteral("%1% %2 %3 %4")
                .arg(qRound(view()->zoomFactor() * 100))
                .arg(!focus || view()->isAncestorOf(focus) ? "page" : focus->objectName())
                .arg(bar && bar->isVisible() ? bar->findChild<QLabel *>("findResult")->text() : "")
                .arg(server.requests().count("/find") + 1);
        };
        QTRY_COMPARE(seen(), row()[1]);
        if (row()[0] == "{Ctrl+L}")
            QCOMPARE(m_window->cboAddress()->lineEdit()->selectedText(), server.url("/find"));
    }
    void fullScreen()
    {
        server.file("/full", FullScreenPage, Html);
        QVERIFY(typeInto(m_window->cboAddress(), ""));
        press("{Ctrl+F}");
        go("/full", "normal");
        // The page alone; Escape leaves the full screen first, then closes the find bar.
        for (const QString &leave : QStringList{"{Escape}", "document.exitFullscreen()"}) {
            QTest::mouseMove(view()->focusProxy(), QPoint(100, 100));
            QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
            QVERIFY(titled("fs"));
            QTRY_VERIFY(m_window->isFullScreen());
            QCOMPARE(view()->geometry(), m_window->centralWidget()->rect());
            QVERIFY(!m_window->menuBar()->isVisible() && !m_window->cboAddress()->isVisible() &&
                    !m_window->findChild<FindBar *>()->isVisible());
            if (leave.startsWith('{'))
                press(leave);
            else
                run(leave);
            QVERIFY(titled("normal"));
            QTRY_VERIFY(!m_window->isFullScreen());
            QVERIFY(m_window->menuBar()->isVisible() && m_window->cboAddress()->isVisible() &&
                    m_window->findChild<FindBar *>()->isVisible());
        }
        press("{Escape}");
        QVERIFY(!m_window->findChild<FindBar *>()->isVisible());
        // Then Escape stops a page that loads.
        server.delay(std::chrono::seconds(30), "/slow");
        QVERIFY(typeInto(m_window->cboAddress(), server.url("/slow")));
        press("{Return}");
        QTRY_VERIFY(m_window->brwWebBrowser()->Busy());
        press("{Escape}");
        QTRY_VERIFY(!m_window->brwWebBrowser()->Busy());
    }
    void rendererEnds()
    {
        server.file("/page", "<title>page</title>", Html);
        go("/page", "page");
        // Loaded again once, and the cat says so, without taking the keyboard.
        ::kill(view()->page()->renderProcessPid(), SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().count("/page"), 2, 10000);
        QVERIFY(titled("page"));
        QCOMPARE(Forms::loaded<kuokuoform>()->findChild<QPlainTextEdit *>()->toPlainText(),
                 QStringLiteral("ページを表示するしくみが止まってしまったから、もういちど読みこ"
                                "んだにゃあ"));
        // Ended again soon: a page says so instead.
        ::kill(view()->page()->renderProcessPid(), SIGKILL);
        QVERIFY(titled(QStringLiteral("表示できなかったにゃあ")));
        QCOMPARE(server.requests().count("/page"), 2);
        QCOMPARE(m_window->cboAddress()->currentText(), server.url("/page"));
        press("{F5}"); // the page itself again
        QVERIFY(titled("page"));
    }
    void theProfile()
    {
        FakeDialogs dialogs;
        Installed<Dialogs> installed(dialogs);
        server.file("/hello", "<title>ねこ/いぬ</title><script>alert('にゃ')</script>", Html);
        go("/hello", "ねこ/いぬ");
        QCOMPARE(view()->pageAction(QWebEnginePage::SavePage)->text(),
                 QStringLiteral("ページを保存にゃ"));
        // The page is saved as one file named after its title, in the download folder (the
        // home here), and no other folder is made.
        dialogs.saveAnswers << QDir::home().filePath("saved.mhtml");
        view()->triggerPageAction(QWebEnginePage::SavePage);
        QTRY_VERIFY(QFile::exists(QDir::home().filePath("saved.mhtml")));
        QCOMPARE(dialogs.calls,
                 QStringList({"message|「127.0.0.1」のページからのおしらせにゃあ|にゃ",
                              "save|" + PageDownloads::SaveTitle + "|" +
                                  QDir::home().filePath("ねこ_いぬ.mhtml")}));
        QVERIFY(!QDir::home().exists("Downloads"));
        // The engine runs in Japanese (its error pages too) and asks pages for Japanese.
        server.file("/language", "<script>document.title=navigator.languages</script>", Html);
        go("/language", "ja");
        // What pages keep lasts from run to run.
        server.file("/set",
                    "<script>document.cookie='login=neko; max-age=86400';document.title="
                    "document.cookie</script>",
                    Html);
        server.file("/read", "<script>document.title=document.cookie</script>", Html);
        go("/set", "login=neko");
        // The run ends, and another starts.
        deleteWindows();
        releaseBrowserProfile();
        QVERIFY(QFile::exists(QDir::home().filePath(".local/share/kuokuonavi/browser/Cookies")));
        m_window = startNavigator();
        go("/read", "login=neko");
    }

private:
    void go(const QString &address, const QString &title)
    {
        QVERIFY(typeInto(m_window->cboAddress(),
                         address.startsWith('/') ? server.url(address) : address));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY2(titled(title), qPrintable(m_window->brwWebBrowser()->LocationName()));
    }
    // Answers the navigator's next question, from inside whatever loop it waits in, with
    // `keys`; what it asked goes into m_asked, with the names of the controls the keys went to.
    void answer(const QString &keys)
    {
        m_asked.clear();
        if (keys.isEmpty())
            return;
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timer, keys] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeWindow());
            if (!dialog)
                return;
            timer->deleteLater();
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                m_asked += label->text() + ' ';
            m_asked += press(keys).join(' ');
        });
        timer->start(20);
    }
    // The page's title becomes `title` (the caption follows it only when a load ends).
    bool titled(const QString &title)
    {
        const auto shown = [this] { return m_window->brwWebBrowser()->LocationName(); };
        // qWait runs an event loop: the web engine needs one, a loop of processEvents starves it.
        for (QDeadlineTimer time(30000); shown() != title && !time.hasExpired();)
            QTest::qWait(20);
        return shown() == title;
    }
    QWebEngineView *view() const
    {
        return qobject_cast<QWebEngineView *>(m_window->brwWebBrowser()->widget());
    }
    void run(const QString &script) { view()->page()->runJavaScript(script); }

    HttpServer server;
    std::optional<TestProgramFolder> m_folder;
    QPointer<frmBrowser> m_window;
    QString m_asked;
};

int main(int argc, char *argv[])
{
    ::umask(022);
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // No GPU under Xvfb: software drawing starts faster and stays quiet.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-logging --log-level=3");
    // A home of its own: the browser's profile never goes into the user's. An English
    // environment: the navigator speaks Japanese whatever it says.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_DATA_HOME");
    qputenv("LC_ALL", "C");
    qputenv("LANGUAGE", "en");
    // The engine trusts the test run's certificate authority, as a user's system would.
    const QString nss = "sql:" + home.filePath(".pki/nssdb");
    QDir(home.path()).mkpath(".pki/nssdb");
    QProcess::execute("certutil", {"-N", "-d", nss, "--empty-password"});
    QProcess::execute("certutil", {"-A", "-d", nss, "-n", "kuokuo", "-t", "C,,", "-i",
                                   HttpServer::authorityFile()});
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kuokuonavi"));
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    SmokeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smoke.moc"
