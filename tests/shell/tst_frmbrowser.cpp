#include "download/folderlists.h"
#include "shell/navigator.h"
#include "shell/sessionend.h"
#include "support/listing.h"
#include "support/rows.h"
#include "support/session.h"

#include <QAbstractItemView>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>

namespace {
const QByteArray SR = "[rmssaaba.rtp]\r\n1\r\nirc.local\r\n\r\n[rmsheya.rtp]\r\n0\r\n\r\n";
const QStringList AB = {"http://127.0.0.1/a", "http://127.0.0.1/b"};
} // namespace

// The navigator as its user drives it: the address box, the toolbar, the address list, the menu
// that starts the download window; the program's start, its exit and the end of the session.
class FrmBrowserTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_session.emplace(); }
    void cleanup() { m_session.reset(); }
    void texts()
    {
        const QString texts = QStringLiteral(
            "frmBrowser=KUOKU'S　VAVA;lblAddress=ｱﾄﾞﾚｽ(&A):;Back=戻るにゃ;Forward=進むにゃ;"
            "cboAddress=URL入力するホームページみえますにゃあ;Stop=中止にゃ;Refresh=更新にゃ;"
            "Home=ﾎｰﾑにゃ;Search=検索にゃ;kuokuo=KUOKUOを呼ぶ(&R);mschatsuru=MS-CHATでもする(&M);"
            "kyoutoko1=#きょうとこのへやへの接続HP;ms25dl=MSCHATソフトのダウンロード;"
            "mschatsaba=MSCHAT接続サーバーHPへ;bbs=ソフトやチャットについての質問BBS;"
            "asobikata=MSCHATの遊び方のHPへ;tmsh=zorEDUDARiridevadi;"
            "mail=メールでも送ってみるかにゃ！;mschat=MSCHATに自分で設定して接続;"
            "filedl1=画像のダウンロード(&D);filedl=ダウンロードをはじめる(&H);"
            "daunnsyoki=ダウンロード先フォルダー設定(&S);adoresu=アドレス追加削除;"
            "adoresut=アドレスの追加にゃ(&T);adoresus=アドレスの削除にゃ(&S);"
            "berjyonn=バージョン情報(&V);end=終了(&X)");
        QCOMPARE(shownTexts(window(), texts), texts);
    }
    void browsing_data()
    {
        // name|key|the text typed is an entry of the list
        rows({"Return|Return|0", "keypad Enter, a text of the list|Enter|1"});
    }
    void browsing()
    {
        const bool listed = row()[1] == "1";
        box()->addItems(listed ? QStringList{"http://127.0.0.1:9/ne"} : QStringList());
        QVERIFY(typeInto(box(), "http://127.0.0.1:9/ne"));
        press('{' + row()[0] + '}');
        QCOMPARE(log(), QStringList{"load|http://127.0.0.1:9/ne"});
        QTRY_COMPARE(window()->windowTitle(), QStringLiteral("接続中..."));
        // The page loaded shows its title and its real address, whatever was typed meanwhile.
        QVERIFY(typeInto(box(), "typed meanwhile"));
        engine()->finish(QStringLiteral("ねこ"), QStringLiteral("http://127.0.0.1:9/real/"));
        QCOMPARE(box()->currentText(), QStringLiteral("http://127.0.0.1:9/real/"));
        QTRY_VERIFY(!timing());
        QCOMPARE(window()->windowTitle() + items(box()).join(""),
                 listed ? "ねこhttp://127.0.0.1:9/ne" : "ねこ");
        // Each toolbar button starts the timer; Stop ends it at once with the page's title.
        engine()->busy = true;
        QToolBar *bar = window()->findChild<QToolBar *>("tbToolBar");
        for (const char *key : {"Back", "Forward", "Refresh", "Home", "Search", "Stop"}) {
            QTest::mouseClick(bar->widgetForAction(bar->findChild<QAction *>(key)), Qt::LeftButton);
            QCOMPARE(timing(), key != QLatin1String("Stop"));
        }
        QCOMPARE(window()->windowTitle(), QStringLiteral("ねこ"));
        QCOMPARE(log().mid(1).join(' '), "GoBack GoForward Refresh GoHome GoSearch Stop");
    }
    void keys_data()
    {
        // name|typed in the address box|keys then|what the browser is asked
        rows(
            {"words are searched for|ねこ|{Return}|load|https://www.google.co.jp/search?q=%E3%81%"
             "AD%E3%81%93",
             "reload, back, forward||{F5}{Ctrl+R}{Alt+Left}{Alt+Right}|Refresh Refresh GoBack "
             "GoForward",
             "zoom||{Ctrl++}{Ctrl+=}{Ctrl+-}{Ctrl+0}|zoom|1.1 zoom|1.25 zoom|1.1 zoom|1",
             "find||{Ctrl+F}ねこ{F3}{Shift+F3}{Escape}{F3}|Find|ねこ|0 Find|ねこ|0 Find|ねこ|1 "
             "Find||0",
             "Escape stops a page that loads, only|http://h/|{Escape}{Return}{Escape}{Escape}|load|"
             "http://h/ Stop"});
    }
    void keys()
    {
        const QStringList field = row();
        QVERIFY(typeInto(box(), field[0]));
        press(field[1]);
        QCOMPARE(log().join(' '), field.mid(2).join('|'));
    }
    void pickingAnEntryBrowsesLeavingTheBoxDoesNot()
    {
        box()->addItems({"http://127.0.0.1/a", "http://127.0.0.1/b"});
        QVERIFY(typeInto(box(), "http://127.0.0.1/b")); // the text of an entry
        QTest::mouseClick(engine()->widget(), Qt::LeftButton);
        QTRY_VERIFY(!box()->hasFocus());
        QVERIFY(log().isEmpty());
        box()->showPopup();
        QTRY_VERIFY(box()->view()->isVisible());
        const QRect entry = box()->view()->visualRect(box()->view()->model()->index(0, 0));
        QTest::mouseClick(box()->view()->viewport(), Qt::LeftButton, {}, entry.center());
        QCOMPARE(log(), QStringList{"load|http://127.0.0.1/a"});
        QVERIFY(timing());
        delete window(); // the box loses its focus while its window goes
        QCOMPARE(log().size(), 1);
    }
    void addressList_data()
    {
        // name|the menu item|the list before|the text typed|the list after ("-": the file is not
        // rewritten)|the text after; lists joined by ","
        rows({"add|adoresut|a,b|ねこ|a,b,ねこ|ねこ", "add empty|adoresut|a||-|",
              "add duplicate|adoresut|a,b|b|-|b", "delete|adoresus|a,b|a|b|",
              "delete absent|adoresus|a,b|c|a,b|c", "delete in an empty list|adoresus||a|-|a"});
    }
    void addressList()
    {
        const QStringList field = row();
        loadAddresses(field[1].split(',', Qt::SkipEmptyParts));
        QVERIFY(typeInto(box(), field[2]));
        QVERIFY(m_session->folder.write(FileNames::Addresses, "untouched"));
        trigger(window(), qPrintable(field[0]));
        const QString after = field[3] == "-" ? field[1] : field[3];
        QCOMPARE(items(box()).join(',') + "|" + box()->currentText(), after + "|" + field[4]);
        QCOMPARE(addresses(), field[3] == "-"
                                  ? QByteArray("untouched")
                                  : listFile("rad.rtp", after.split(',', Qt::SkipEmptyParts)));
    }
    void the101stAddressStaysForTheRunOnly()
    {
        QStringList numbered; // http://127.0.0.1/1 … /101
        for (int i = 1; i <= 101; ++i)
            numbered << QStringLiteral("http://127.0.0.1/%1").arg(i);
        loadAddresses(numbered.mid(0, 100));
        menu("adoresut", "http://127.0.0.1/101");
        QCOMPARE(items(box()), numbered);
        QCOMPARE(addresses(), listFile("rad.rtp", numbered.mid(0, 100)));
        QCOMPARE(shownLine(Forms::loaded<kuokuoform>()), 1); // the list is full
        click(Forms::loaded<kuokuoform>(), "Command7");
        QTRY_VERIFY(!Forms::loaded<kuokuoform>());
        QVERIFY(typeInto(box(), "not listed"));
        trigger(window(), "adoresus"); // still 101: nothing written, without a message
        QVERIFY(!Forms::loaded<kuokuoform>());
        QVERIFY(typeInto(box(), "http://127.0.0.1/5"));
        trigger(window(), "adoresus"); // 100 again: written
        QCOMPARE(addresses(), listFile("rad.rtp", numbered.mid(0, 4) + numbered.mid(5)));
    }
    void addressesAreSavedPercentEncoded()
    {
        // The web view reports addresses decoded; one of them once blocked every later save.
        loadAddresses({});
        for (const char *address :
             {"http://de.wikipedia.org/wiki/München", "http://h/😺", "http://h/ねこ"})
            menu("adoresut", QString::fromUtf8(address));
        const QStringList saved = {"http://de.wikipedia.org/wiki/M%C3%BCnchen",
                                   "http://h/%F0%9F%98%BA", "http://h/ねこ"};
        QCOMPARE(items(box()), saved);
        QCOMPARE(addresses(), listFile("rad.rtp", saved));
        QVERIFY(m_session->dialogs.calls.isEmpty());
        // A file that cannot be written: the user hears of it; the entry stays for the run.
        QVERIFY(QFile::remove(m_session->folder.file(FileNames::Addresses)));
        QVERIFY(QDir(m_session->folder.path()).mkdir(FileNames::Addresses));
        menu("adoresut", "http://127.0.0.1/a");
        QCOMPARE(items(box()), saved + QStringList{"http://127.0.0.1/a"});
        QCOMPARE(m_session->dialogs.calls,
                 QStringList{"message|KUOKUOナビ|リストをファイルに保存できなかったにゃあ！"
                             "ディスクの空きと、フォルダーに書きこめるかを確かめてにゃあ"});
    }
    void downloadStart_data()
    {
        // name|the address|its folder address, "-": the folder cannot be used|the download
        // folder, "-": none chosen this run (%1: one that the folder lists then stand in, %2:
        // the same as a relative path, not on "/")
        rows({"a page|http://host/gazou/index.html|http://host/gazou/|%1",
              "the last / at position 8|ftp://x/a.jpg|ftp://x/|%1", "no address||/|%1",
              "the Pictures folder|http://host/|http://host/|-",
              "a folder that is gone|http://host/|-|/no/such/folder",
              "there, but not on /|http://host/|-|%2"});
    }
    void downloadStart()
    {
        const QString address = row()[0], folder = row()[1];
        const QString chosen =
            QString(row()[2])
                .replace("%1", m_download.path())
                .replace("%2", QDir::current().relativeFilePath(m_download.path()));
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QString start = chosen != "-"                 ? chosen
                              : QFileInfo(pictures).isDir() ? pictures
                                                            : QDir::homePath();
        if (chosen != "-") // chosen with the picker; the path ends at a NUL
            choose(chosen + QChar(0) + "junk");
        box()->setEditText(address);
        trigger(window(), "filedl");
        MainForm *download = Forms::loaded<MainForm>();
        if (folder == "-") {
            QVERIFY(!download);
            QCOMPARE(m_session->dialogs.calls.join('|'),
                     "beep|message|ドライブエラーメッセージ|"
                     "エラーが出ましたにゃ！ダウンロード先のドライブを設定しなおしてにゃあ");
            return;
        }
        QVERIFY(download && download->isVisible() && m_session->dialogs.calls.isEmpty());
        QCOMPARE(download->TURL2()->text() + " " + download->TURL()->text(),
                 address + " " + folder);
        const DirListBox *folders = named<DirListBox>(download, "Dir");
        QCOMPARE(folders ? folders->path() : QString(), QDir(start).canonicalPath());
    }
    void pageDownloads_data()
    {
        // name|mode of the file there before (0: none)|downloads to it at once|size announced
        // (0: unknown)|how they end|the captions|the cat's words|the folder afterwards
        const QString done = "「保存.bin」のダウンロードがおわったにゃあ！";
        rows(
            {"replaces a file, keeping its mode|640|1|6000|Completed|0%,50%,100%,ねこ|" + done +
                 "|保存.bin 6000 640",
             "two at once, to one name|0|2|6000|Completed|0%,25%,50%,75%,100%,ねこ|" + done +
                 "|保存.bin 6000 644",
             "size unknown|0|1|-1|Completed|0 KB,2 KB,5 KB,ねこ|" + done + "|保存.bin 6000 644",
             "failed: the old file stays|604|1|6000|Failed|0%,50%,ねこ|「保存.bin」のダウンロードに"
             "失敗したにゃあ…もういちど試してにゃあ|保存.bin 3 604",
             "cancelled|0|1|0|Cancelled|0 KB,2 KB,ねこ||"});
    }
    // A link leads to a file: it arrives under a hidden name and appears whole at its end, as
    // the caption tells how far it has come; then the caption is the page's title again.
    void pageDownloads()
    {
        const QStringList field = row();
        QTemporaryDir folder;
        QFile old(folder.filePath("保存.bin"));
        QVERIFY(field[0] == "0" ||
                (old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush() &&
                 ::fchmod(old.handle(), field[0].toUInt(0, 8)) == 0));
        ::umask(022);
        engine()->finish(QStringLiteral("ねこ"), QStringLiteral("http://127.0.0.1/neko/"));
        QSignalSpy captions(window(), &QWidget::windowTitleChanged);
        QList<FakePageDownload *> downloads;
        for (int i = 0; i < field[1].toInt(); ++i) {
            m_session->dialogs.saveAnswers << old.fileName();
            downloads << new FakePageDownload(engine());
            downloads[i]->total = field[2].toLongLong();
            Q_EMIT engine()->PageDownloadRequested(downloads[i]);
        }
        for (int half = 0; half < 1 + (field[3] == "Completed"); ++half) // or cut half-way
            for (int i = 0; i < downloads.size(); ++i)
                downloads[i]->arrive(QByteArray(3000, char('a' + i)));
        if (field[3] == "Failed")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("failed after 3000 of 6000"));
        for (FakePageDownload *download : downloads)
            Q_EMIT download->ended(QVariant(field[3]).value<PageDownload::End>());
        QStringList shown;
        for (const QList<QVariant> &caption : captions)
            shown << caption[0].toString().remove("ダウンロード中... ");
        QCOMPARE(shown.join(',') + "|" + words(Forms::loaded<kuokuoform>()) + "|" +
                     listing(folder.path()),
                 field.mid(4).join('|'));
    }

    void pageImages_data()
    {
        // name|the download folder (%1: one that is there)|what the cat says after Ctrl+Shift+S
        rows({"none on the page|%1|このページには保存できるJPEGやGIFの画像がないにゃあ",
              "the folder is gone|/no/such/folder|ダウンロード先のフォルダーが見つからないにゃあ。"
              "「ダウンロード先フォルダー設定」でえらびなおしてにゃあ"});
    }
    void pageImages()
    {
        Forms::instance<dlform>()->setFolder(QString(row()[0]).replace("%1", m_download.path()));
        QVERIFY(typeInto(box(), "typed"));
        press("{Ctrl+Shift+S}");
        QTRY_COMPARE(words(Forms::loaded<kuokuoform>()), row()[1]);
    }

    void startUpSplitsAndShowsTheStartPage()
    {
        prepareStart();
        QVERIFY(programFolder().write(FileNames::Addresses, "stale\r\n"));
        QVERIFY(programFolder().write(FileNames::StartPage,
                                      "<title>mine</title>")); // never overwritten
        QPointer<frmBrowser> window = startNavigator();
        QCOMPARE(programFolder().read(FileNames::Lines) + programFolder().read(FileNames::Servers) +
                     programFolder().read(FileNames::Rooms) +
                     programFolder().read(FileNames::Addresses),
                 saved(AB));
        QCOMPARE(programFolder().read(FileNames::StartPage), QByteArray("<title>mine</title>"));
        const QString start = programFolder().file(FileNames::StartPage);
        QCOMPARE(window->cboAddress()->currentText(), start);
        QCOMPARE(items(window->cboAddress()), AB);
        QCOMPARE(m_session->engines.log, QStringList{"load|" + start});
        QVERIFY(window->isVisible() && timing());
        QCOMPARE(window->cboAddress()->pos(), QPoint(3, 22)); // moved to 50, 330 twips
        // No close command: a request to close (Alt+F4, the window manager) changes nothing.
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint) && !window->close());
        QCoreApplication::processEvents();
        QVERIFY(window && window->isVisible() &&
                !programFolder().exists(FileNames::SettingsBackup));
    }
    void exitSavesThenBidsFarewell()
    {
        prepareStart();
        QVERIFY(programFolder().write("notes.txt", "kept"));
        QPointer<frmBrowser> window = startNavigator();
        menu("adoresus", "http://127.0.0.1/a");
        menu("end");
        QTRY_VERIFY(window.isNull()); // unloaded
        QCOMPARE(programFolder().read(FileNames::SettingsBackup), saved(AB));
        QCOMPARE(programFolder().read(FileNames::Settings), saved({"http://127.0.0.1/b"}));
        kuokuoform *farewell = Forms::loaded<kuokuoform>();
        QVERIFY(farewell && farewell->isVisible());
        QCOMPARE(shownTexts(farewell, "kuokuoform=それではまたあいましょうにゃあ"),
                 "kuokuoform=それではまたあいましょうにゃあ");
        QCOMPARE(shownLine(farewell), 7);
        const QWidget *understood = named<QPushButton>(farewell, "Command7");
        QVERIFY(understood && !understood->isVisible());
        Forms::show<Form1>(); // another window open does not keep the program
        click(farewell, "Command6");
        QVERIFY(Forms::ending());
        QCOMPARE(QDir(programFolder().path()).entryList({"*.rtp", "*.ini", "*.bak", "*.txt"}),
                 QStringList({"kuekuenavi.bak", "kuekuenavi.ini", "notes.txt"}));
        Forms::resetEnding(); // the next start writes the working files out again
        startNavigator();
        QCOMPARE(programFolder().read(FileNames::Lines), m_lines);
        QCOMPARE(programFolder().read(FileNames::Addresses),
                 listFile("rad.rtp", {"http://127.0.0.1/b"}));
    }
    void failedExitIsTold()
    {
        prepareStart();
        startNavigator();
        QVERIFY(QFile::remove(programFolder().file(FileNames::Rooms)));
        menu("end");
        QCOMPARE(programFolder().read(FileNames::SettingsBackup) +
                     programFolder().read(FileNames::Settings),
                 saved(AB) + saved(AB));
        QVERIFY(!Forms::loaded<kuokuoform>()); // no farewell: the working files stay
        QCOMPARE(m_session->dialogs.calls,
                 QStringList{"message|KUOKUOナビ|設定ファイル（kuekuenavi.ini）に"
                             "保存できなかったにゃあ！ディスクの空きを確かめてにゃあ"});
    }
    void afterTheExitAPageButtonLoadsTheNavigatorAgain()
    {
        prepareStart();
        startNavigator();
        Form1 *greeting = Forms::show<Form1>();
        menu("end");
        QTRY_VERIFY(!Forms::loaded<frmBrowser>());
        click(greeting, "Command1");
        QVERIFY(isOpen<frmBrowser>());
        QCOMPARE(items(Forms::loaded<frmBrowser>()->cboAddress()), AB);
        menu("adoresut", "http://127.0.0.1/c");
        menu("end");
        const QByteArray settings = saved(AB + QStringList{"http://127.0.0.1/c"});
        QCOMPARE(programFolder().read(FileNames::Settings), settings);
        // The session's end after the exit saves nothing more.
        QTRY_VERIFY(!Forms::loaded<frmBrowser>());
        QVERIFY(programFolder().write(FileNames::Addresses, listFile("rad.rtp", {})));
        SessionEnd sessionEnd;
        QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
        sessionEnd.sessionEnding(); // as the session manager asks
        QVERIFY(!ended.first().first().toBool() && Forms::ending());
        QCOMPARE(programFolder().read(FileNames::SettingsBackup) +
                     programFolder().read(FileNames::Settings),
                 saved(AB) + settings);
    }

private:
    // A settings file with the cat's lines (taken out of their working file), one server, no
    // room and two addresses, as the program finds it at its start.
    void prepareStart()
    {
        m_lines = programFolder().read(FileNames::Lines);
        QVERIFY(QFile::remove(programFolder().file(FileNames::Lines)));
        QVERIFY(programFolder().write(FileNames::Settings, saved(AB)));
    }
    TestProgramFolder &programFolder() { return m_session->folder; }
    // A settings file with the cat's lines, one server, no room and `addresses`.
    QByteArray saved(const QStringList &addresses) const
    {
        return m_lines + SR + listFile("rad.rtp", addresses);
    }
    // Types `address` into the navigator's box and has the menu item `item` act on it.
    static void menu(const char *item, const QString &address = QString())
    {
        frmBrowser *window = Forms::loaded<frmBrowser>();
        QVERIFY(window && (address.isEmpty() || typeInto(window->cboAddress(), address)));
        trigger(window, item);
    }

    frmBrowser *window() { return Forms::instance<frmBrowser>(); }
    QComboBox *box() { return window()->cboAddress(); }
    FakeBrowserEngine *engine() { return window(), m_session->engines.latest.data(); }
    bool timing()
    {
        const QTimer *timer = named<QTimer>(window(), "timTimer");
        return timer && timer->isActive();
    }
    QStringList &log() { return m_session->engines.log; }
    // Loads `entries` from the address file, as the start-up does; the box holds "kept".
    void loadAddresses(const QStringList &entries)
    {
        QVERIFY(m_session->folder.write(FileNames::Addresses, listFile("rad.rtp", entries)));
        box()->setEditText(QStringLiteral("kept"));
        window()->adoresuyomikomi();
        QCOMPARE(box()->currentText(), QStringLiteral("kept"));
    }
    void choose(const QString &folder)
    {
        m_session->picker.answer = folder;
        trigger(window(), "daunnsyoki");
        QCOMPARE(m_session->picker.titles.last(), QStringLiteral("フォルダを選択してください。"));
        m_session->picker.answer.reset(); // a cancel keeps the choice
        trigger(window(), "daunnsyoki");
    }
    QByteArray addresses() const { return m_session->folder.read(FileNames::Addresses); }
    std::optional<TestSession> m_session;
    QTemporaryDir m_download;
    QByteArray m_lines;
};

QTEST_MAIN(FrmBrowserTest)
#include "tst_frmbrowser.moc"
