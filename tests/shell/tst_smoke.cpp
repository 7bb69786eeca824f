#include "platform/browserprofile.h"
#include "shell/findbar.h"
#include "shell/navigator.h"
#include "shell/pagedownloads.h"
#include "support/httpserver.h"
#include "support/listing.h"
#include "support/rows.h"
#include "support/session.h"

#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
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
    void pageImages_data()
    {
        // name|how the user asks|what the user does while the save runs
        rows({"Ctrl+Shift+S, again while it runs|{Ctrl+Shift+S}|{Ctrl+Shift+S}",
              "the page's context menu|menu|", "the navigator ends meanwhile|{Ctrl+Shift+S}|end"});
    }
    // The images the page shows now, built by its script and lazy ones too, each once, fetched
    // as the browser fetches them: the page as Referer, its cookie, its User-Agent.
    void pageImages()
    {
        const QString ask = row()[0], meanwhile = row()[1];
        const QTemporaryDir folder;
        Forms::instance<dlform>()->setFolder(folder.path());
        // Some only with the page as Referer, with the page's cookie, to the browser's User-Agent.
        const QStringList images = QString("lazy1.jpg=4000 lazy2.gif=4001 big.gif=4002 a.jpg=g4003 "
                                           "b.gif=k4004 c.jpg=4005 d.JPG=4006 e.gif=e404")
                                       .split(' ');
        for (const QString &image : images)
            server.serve("/g/" + image.section('=', 0, 0), image.section('=', 1),
                         server.url("/g/page.html?x=1").toUtf8());
        server.reply("/g/c.jpg", {200, 4005, {}, -1, "image/jpeg", false, {}, {}, {}, {}, agent()});
        server.delay(std::chrono::seconds(meanwhile == "end" ? 60 : 1), "/g/lazy1.jpg");
        const QByteArray gif = "<img src=data:image/gif;base64,R0lGODlhAQABAAAAACw=";
        server.file(
            "/g/page.html",
            "<img data-src=lazy1.jpg>" + gif + " data-src=lazy2.gif>" + gif +
                "><img data-srcset='s.jpg 1x, big.gif 2x'><script>document.cookie='sid=abc';"
                "for(const name of "
                "['a.jpg','b.gif','c.jpg','d.JPG?w=1','e.gif','f.png','cgi-bin/n.gif',"
                "'a.jpg'])document.body.append(Object.assign(new Image,{src:name}));onload=()=>"
                "document.title='gallery'</script>",
            Html);
        go("/g/page.html?x=1", "gallery");
        QTRY_VERIFY(!browserCookies().isEmpty());
        server.clearRequests();
        QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, QPoint(5, 300));
        QTimer during; // acts from inside the save's wait
        connect(&during, &QTimer::timeout, this, [&] {
            if (!server.requests().contains("/g/lazy1.jpg") || !during.isActive())
                return;
            during.stop();
            meanwhile == "end" ? trigger(m_window, "end") : (void)press(meanwhile);
        });
        during.start(20);
        if (ask == "menu") {
            QMenu *menu = nullptr;
            QTest::mouseClick(view()->focusProxy(), Qt::RightButton, {}, QPoint(5, 300));
            QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
            QAction *item = menu->findChild<QAction *>("saveShownImages");
            QCOMPARE(item->text(), QStringLiteral("このページの画像をほぞんする"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        } else {
            press(ask);
        }
        if (meanwhile == "end") { // the farewell stays, nothing is left in the folder
            QTRY_VERIFY_WITH_TIMEOUT(!m_window, 20000);
            QVERIFY(Forms::loaded<kuokuoform>()->shownLine() == 7 && listing(folder.path()) == "");
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            words(Forms::loaded<kuokuoform>()),
            QStringLiteral("このページの画像を 7 こ保存したにゃあ（保存できなかった画像が 1 こある"
                           "にゃあ：e.gif はサーバーにことわられたにゃあ（404 Not Found））"),
            20000);
        // Each once, in spite of the repeat and the key pressed again (by then); no data:, no PNG.
        QCOMPARE(server.requests().filter("/g/").size() + int(during.isActive()), 8);
        for (const QString &image : images.mid(0, 7)) {
            const QString name = image.section('=', 0, 0);
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly) &&
                    file.readAll() ==
                        HttpServer::generatedContent("/g/" + name, image.right(4).toInt()));
        }
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

    // A page's prompt answered with an empty text gets the empty text, not the cancel's null.
    void prompt()
    {
        server.file("/prompt", "<script>document.title='['+prompt('なまえ')+']'</script>", Html);
        answer("{Return}");
        go("/prompt", "[]");
        answer("{Escape}");
        go("/prompt?again", "[null]");
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
    // Opened from the navigator, the download window fetches as the browser does: with its
    // User-Agent, and with its cookies, kept current while the window is open.
    void theDownloadWindow()
    {
        server.reply(
            "/dl/login",
            {200, 0, "<title>in</title>", -1, Html, false, {}, {}, {}, "Set-Cookie: sid=abc", {}});
        server.reply(
            "/dl/in",
            {200, 0, "<title>in</title><img src=k.jpg>", -1, Html, false, {}, {}, {}, {}, agent()});
        server.file("/dl/out",
                    "<title>out</title><script>document.cookie='sid=;max-age=0'</script>", Html);
        server.serve("/dl/k.jpg", "k4000");
        go("/dl/login", "in");
        go("/dl/in", "in");
        trigger(m_window, "filedl");
        click(Forms::loaded<MainForm>(), "CGet2");
        QCOMPARE(QFileInfo(QDir::home().filePath("k.jpg")).size(), 4000); // the home here
        const int cookies = browserCookies().size();
        go("/dl/out", "out"); // the user logs out in the navigator
        QTRY_COMPARE(browserCookies().size(), cookies - 1);
        click(Forms::loaded<MainForm>(), "CGet2");
        QCOMPARE(Forms::loaded<MainForm>()->findChild<QStatusBar *>("SB")->currentMessage(),
                 QStringLiteral("終了にゃあ．（保存できなかった画像が 1 こあるにゃあ：k.jpg は"
                                "サーバーにことわられたにゃあ（403 Forbidden））"));
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
        // What pages keep lasts from run to run, and the download window has the login before
        // the site is visited again.
        server.file("/set",
                    "<script>document.cookie='sid=abc; max-age=86400';document.title="
                    "document.cookie</script>",
                    Html);
        server.file("/read", "<script>document.title=document.cookie</script>", Html);
        server.file("/kept/p.html", "<img src=kept.jpg>", Html);
        server.serve("/kept/kept.jpg", "k4000");
        go("/set", "sid=abc");
        // The run ends, and another starts.
        deleteWindows();
        releaseBrowserProfile();
        QVERIFY(QFile::exists(QDir::home().filePath(".local/share/kuokuonavi/browser/Cookies")));
        m_window = startNavigator();
        trigger(m_window, "filedl");
        QVERIFY(typeInto(Forms::loaded<MainForm>()->findChild<QLineEdit *>("TURL2"),
                         server.url("/kept/p.html")));
        click(Forms::loaded<MainForm>(), "CGet2");
        QCOMPARE(QFileInfo(QDir::home().filePath("kept.jpg")).size(), 4000);
        go("/read", "sid=abc");
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
    // What a request needs to come from the browser.
    static QByteArray agent()
    {
        return "User-Agent: " + browserProfile()->httpUserAgent().toUtf8();
    }

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
