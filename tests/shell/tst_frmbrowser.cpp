#include "about/frmabout.h"
#include "chat/mschatform.h"
#include "common/programfolder.h"
#include "mascot/form1.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "shell/dlform.h"
#include "shell/frmbrowser.h"
#include "support/fakebrowser.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

class FrmBrowserTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void captionAndControls();
    void toolbarKeys_data();
    void toolbarKeys();
    void stopTurnsTimerOffAndShowsTitle();
    void timerShowsConnectingUntilLoaded();
    void enterInAddressBoxNavigatesOnce_data();
    void enterInAddressBoxNavigatesOnce();
    void pickingAnEntryNavigates();
    void leavingTheBoxNeverNavigates();
    void downloadCompleteOverwritesAddressBox();
    void pageDownloadShowsProgressInTheCaption();
    void menuTree();
    void fixedPageItems_data();
    void fixedPageItems();
    void mailItemGoesToTheMailProgram();
    void openAddressFromOtherWindows_data();
    void openAddressFromOtherWindows();
    void layoutRule();
    void minimizedGetsFallbackSize();
    void downloadFolderChoice();
    void menuItemsShowWindows_data();
    void menuItemsShowWindows();

private:
    frmBrowser *window() { return Forms::instance<frmBrowser>(); }
    QAction *item(const char *name) { return window()->findChild<QAction *>(name); }
    QTimer *timer() { return window()->findChild<QTimer *>("timTimer"); }
    FakeBrowserEngine *engine()
    {
        window(); // the window makes its control
        return m_engines.latest;
    }

    FakeBrowserEngines m_engines;
    FakeSchemeLauncher m_launcher;
    FakeFolderPicker m_picker;
    std::optional<TestProgramFolder> m_folder;
    std::optional<Installed<BrowserEngineFactory>> m_installedEngines;
    std::optional<Installed<SchemeLauncher>> m_installedLauncher;
    std::optional<Installed<FolderPicker>> m_installedPicker;
};

void FrmBrowserTest::init()
{
    m_engines.log.clear();
    m_folder.emplace();
    m_folder->installMascotLines();
    m_launcher.launched.clear();
    m_installedEngines.emplace(m_engines);
    m_installedLauncher.emplace(m_launcher);
    m_installedPicker.emplace(m_picker);
}

void FrmBrowserTest::cleanup()
{
    delete Forms::loaded<frmBrowser>();
    delete Forms::loaded<Form1>();
    delete Forms::loaded<kuokuoform>();
    delete Forms::loaded<dlform>();
    m_installedEngines.reset();
    m_installedLauncher.reset();
    m_installedPicker.reset();
    m_folder.reset();
}

void FrmBrowserTest::captionAndControls()
{
    QCOMPARE(window()->windowTitle(), QStringLiteral("KUOKU'S　VAVA"));
    QCOMPARE(window()->windowTitle().at(7), QChar(0x3000));
    QLabel *label = window()->findChild<QLabel *>("lblAddress");
    QCOMPARE(label->text(), QStringLiteral("ｱﾄﾞﾚｽ(&A):"));
    QCOMPARE(label->buddy(), window()->cboAddress());
    QComboBox *box = window()->cboAddress();
    QCOMPARE(box->objectName(), QStringLiteral("cboAddress"));
    QVERIFY(box->isEditable());
    QCOMPARE(box->toolTip(), QStringLiteral("URL入力するホームページみえますにゃあ"));
    QCOMPARE(box->parentWidget(), window()->findChild<QWidget *>("picAddress"));
    QCOMPARE(timer()->interval(), 5);
    QVERIFY(!timer()->isActive());
    QVERIFY(window()->findChild<QWidget *>("brwWebBrowser"));
}

void FrmBrowserTest::toolbarKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("call");
    QTest::newRow("Back") << "Back"
                          << "戻るにゃ"
                          << "GoBack";
    QTest::newRow("Forward") << "Forward"
                             << "進むにゃ"
                             << "GoForward";
    QTest::newRow("Refresh") << "Refresh"
                             << "更新にゃ"
                             << "Refresh";
    QTest::newRow("Home") << "Home"
                          << "ﾎｰﾑにゃ"
                          << "GoHome";
    QTest::newRow("Search") << "Search"
                            << "検索にゃ"
                            << "GoSearch";
}

void FrmBrowserTest::toolbarKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, call);
    QToolBar *toolbar = window()->findChild<QToolBar *>("tbToolBar");
    QStringList keys;
    for (QAction *action : toolbar->actions())
        keys << action->objectName();
    QCOMPARE(keys, (QStringList{"Back", "Forward", "Stop", "Refresh", "Home", "Search"}));

    QAction *button = toolbar->findChild<QAction *>(key);
    QTEST(button->toolTip(), "tip");
    QVERIFY(!button->icon().isNull());
    engine()->busy = true;
    button->trigger();
    QCOMPARE(engine()->calls, QStringList{call});
    QVERIFY(timer()->isActive());
}

void FrmBrowserTest::stopTurnsTimerOffAndShowsTitle()
{
    engine()->busy = true;
    engine()->name = QStringLiteral("読込中のページ");
    item("Refresh")->trigger();
    QVERIFY(timer()->isActive());
    item("Stop")->trigger();
    QVERIFY(!timer()->isActive());
    QCOMPARE(engine()->calls, (QStringList{"Refresh", "Stop"}));
    QCOMPARE(window()->windowTitle(), QStringLiteral("読込中のページ"));
}

void FrmBrowserTest::timerShowsConnectingUntilLoaded()
{
    engine()->busy = true;
    item("Back")->trigger();
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("接続中..."));
    QVERIFY(timer()->isActive());
    engine()->name = QStringLiteral("ねこのページ");
    engine()->busy = false;
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("ねこのページ"));
    QVERIFY(!timer()->isActive());
}

void FrmBrowserTest::enterInAddressBoxNavigatesOnce_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QStringList>("list");
    QTest::newRow("Return") << Qt::Key_Return << QStringList();
    QTest::newRow("Enter of the keypad") << Qt::Key_Enter << QStringList();
    QTest::newRow("text that is in the list")
        << Qt::Key_Return << QStringList{"http://127.0.0.1:9/neko"};
}

void FrmBrowserTest::enterInAddressBoxNavigatesOnce()
{
    QFETCH(Qt::Key, key);
    QFETCH(QStringList, list);
    window()->show();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QComboBox *box = window()->cboAddress();
    box->addItems(list);
    box->setEditText(QString());
    // As the user does: click into the box, type, press the key; keys go to the focus widget.
    QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
    QTRY_VERIFY(QApplication::focusWidget());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("http://127.0.0.1:9/neko"));
    QVERIFY(engine()->calls.isEmpty());
    QTest::keyClick(QApplication::focusWidget(), key);
    QCOMPARE(engine()->calls, QStringList{"load|http://127.0.0.1:9/neko"});
    QVERIFY(timer()->isActive());
    QCOMPARE(box->count(), list.size()); // the list changes only through the menu
    QCOMPARE(box->currentText(), QStringLiteral("http://127.0.0.1:9/neko"));
}

void FrmBrowserTest::pickingAnEntryNavigates()
{
    window()->show();
    QComboBox *box = window()->cboAddress();
    box->addItems({"http://127.0.0.1/a", "http://127.0.0.1/b"});
    box->setCurrentIndex(-1);
    box->setEditText(QStringLiteral("typed"));
    box->showPopup();
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(1, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(box->currentText(), QStringLiteral("http://127.0.0.1/b"));
    QCOMPARE(engine()->calls, QStringList{"load|http://127.0.0.1/b"});
    QVERIFY(timer()->isActive());
}

void FrmBrowserTest::leavingTheBoxNeverNavigates()
{
    window()->show();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QComboBox *box = window()->cboAddress();
    box->addItems({"http://127.0.0.1/a", "http://127.0.0.1/b"});
    QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
    box->lineEdit()->selectAll();
    // The text matches the second entry: leaving the box must not go there.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("http://127.0.0.1/b"));
    window()->findChild<QWidget *>("brwWebBrowser")->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!box->hasFocus());
    box->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(box->hasFocus());
    delete window(); // the box loses its focus while its window goes
    QCOMPARE(m_engines.log, QStringList());
}

void FrmBrowserTest::downloadCompleteOverwritesAddressBox()
{
    QComboBox *box = window()->cboAddress();
    box->addItem(QStringLiteral("http://127.0.0.1/list"));
    box->setEditText(QStringLiteral("typed meanwhile"));
    engine()->finish(QStringLiteral("本当のページ"), QStringLiteral("http://127.0.0.1/real/"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("本当のページ"));
    QCOMPARE(box->currentText(), QStringLiteral("http://127.0.0.1/real/"));
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->itemText(0), QStringLiteral("http://127.0.0.1/list"));
}

void FrmBrowserTest::pageDownloadShowsProgressInTheCaption()
{
    FakeDialogs dialogs;
    Installed<Dialogs> installed(dialogs);
    QTemporaryDir saved;
    dialogs.saveAnswers << QString() << saved.filePath(QStringLiteral("ねこ.zip"));
    engine()->name = QStringLiteral("ねこのページ");
    FakePageDownload refused;
    engine()->requestDownload(&refused); // the user cancels the dialog
    QVERIFY(refused.cancelled);
    QVERIFY(refused.acceptedPath.isEmpty());

    FakePageDownload download;
    download.suggested = QStringLiteral("neko.zip");
    engine()->requestDownload(&download);
    QCOMPARE(dialogs.calls.last(), "save|保存する場所を選んでにゃあ|" +
                                       Forms::instance<dlform>()->Label2()->text() + "/neko.zip");
    QCOMPARE(download.acceptedPath, saved.filePath(QStringLiteral(".ねこ.zip.part")));
    download.advance(450, 1000);
    QCOMPARE(window()->windowTitle(), QStringLiteral("ダウンロード中... 45%"));
    // A page that loads meanwhile has the status timer show its own state, then the download's.
    engine()->busy = true;
    item("Refresh")->trigger();
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("接続中..."));
    engine()->busy = false;
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("ダウンロード中... 45%"));
    download.advance(3 * 1024 * 1024 + 80 * 1024, -1);
    QCOMPARE(window()->windowTitle(), QStringLiteral("ダウンロード中... 3.1 MB"));

    QFile part(download.acceptedPath);
    QVERIFY(part.open(QIODevice::WriteOnly) && part.write("PK") == 2);
    part.close();
    download.end(PageDownload::End::Completed);
    QCOMPARE(window()->windowTitle(), QStringLiteral("ねこのページ"));
    QCOMPARE(QDir(saved.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ねこ.zip"});
}

void FrmBrowserTest::menuTree()
{
    auto tree = [](const QList<QAction *> &actions) {
        QStringList items;
        for (QAction *action : actions)
            items << action->objectName() + "|" + (action->isSeparator() ? "-" : action->text());
        return items;
    };
    QCOMPARE(tree(window()->menuBar()->actions()),
             (QStringList{"kuokuo|KUOKUOを呼ぶ(&R)", "mschatsuru|MS-CHATでもする(&M)",
                          "filedl1|画像のダウンロード(&D)", "adoresu|アドレス追加削除",
                          "berjyonn|バージョン情報(&V)", "end|終了(&X)"}));
    QCOMPARE(tree(window()->findChild<QMenu *>("mschatsuru")->actions()),
             (QStringList{"kyoutoko1|#きょうとこのへやへの接続HP", "rainn|-",
                          "ms25dl|MSCHATソフトのダウンロード", "mschatsaba|MSCHAT接続サーバーHPへ",
                          "bbs|ソフトやチャットについての質問BBS", "asobikata|MSCHATの遊び方のHPへ",
                          "tmsh|zorEDUDARiridevadi", "mail|メールでも送ってみるかにゃ！",
                          "rainn2|-", "mschat|MSCHATに自分で設定して接続"}));
    QCOMPARE(tree(window()->findChild<QMenu *>("filedl1")->actions()),
             (QStringList{"filedl|ダウンロードをはじめる(&H)",
                          "daunnsyoki|ダウンロード先フォルダー設定(&S)"}));
    QCOMPARE(tree(window()->findChild<QMenu *>("adoresu")->actions()),
             (QStringList{"adoresut|アドレスの追加にゃ(&T)", "adoresus|アドレスの削除にゃ(&S)"}));
}

void FrmBrowserTest::fixedPageItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address"); // relative to the program folder
    QTest::newRow("kyoutoko1") << "kyoutoko1"
                               << "/mschat.html";
    QTest::newRow("ms25dl") << "ms25dl"
                            << "/kuokuohp.html#ms25dl";
    QTest::newRow("mschatsaba") << "mschatsaba"
                                << "/kuokuohp.html#saaba";
    QTest::newRow("bbs") << "bbs"
                         << "/kuokuohp.html#bbs";
    QTest::newRow("asobikata") << "asobikata"
                               << "/kuokuohp.html#asobikata";
    QTest::newRow("tmsh") << "tmsh"
                          << "/kuokuohp.html";
}

void FrmBrowserTest::fixedPageItems()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    const QString expected = address.contains('#')
                                 ? QUrl::fromLocalFile(m_folder->path()).toString() + address
                                 : m_folder->path() + address;
    item(qPrintable(name))->trigger();
    QCOMPARE(window()->cboAddress()->currentText(), expected);
    QCOMPARE(engine()->calls, QStringList{"load|" + expected});
    QVERIFY(!timer()->isActive());
    QVERIFY(!window()->isVisible());
}

void FrmBrowserTest::mailItemGoesToTheMailProgram()
{
    item("mail")->trigger();
    QCOMPARE(window()->cboAddress()->currentText(), QStringLiteral("mailto:"));
    QCOMPARE(m_launcher.launched, QStringList{"mailto:"});
    QVERIFY(engine()->calls.isEmpty());
}

void FrmBrowserTest::openAddressFromOtherWindows_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("external");
    QTest::newRow("page, shown") << "http://127.0.0.1:8080/チャット" << true << false;
    QTest::newRow("page, not shown") << "/tmp/kuokuo/mschat.html" << false << false;
    QTest::newRow("mic address exactly as built")
        << "mic://srv name/部屋&tafu #1 %41" << true << true;
    QTest::newRow("MIC in capitals") << "MIC://srv/&tafu" << true << true;
}

void FrmBrowserTest::openAddressFromOtherWindows()
{
    QFETCH(QString, address);
    QFETCH(bool, show);
    QFETCH(bool, external);
    window()->openAddress(address, show);
    QCOMPARE(window()->cboAddress()->currentText(), address);
    QCOMPARE(window()->isVisible(), show);
    QCOMPARE(m_launcher.launched, external ? QStringList{address} : QStringList());
    QCOMPARE(engine()->calls, external ? QStringList() : QStringList{"load|" + address});
    QVERIFY(!timer()->isActive());
}

void FrmBrowserTest::layoutRule()
{
    QCOMPARE(window()->logicalDpiX(), 96); // 15 twips a pixel
    window()->show();
    QWidget *client = window()->centralWidget();
    QCOMPARE(client->size(), QSize(718, 589)); // 10770 x 8835 twips
    QWidget *browser = window()->findChild<QWidget *>("brwWebBrowser");

    window()->resize(1000, 600 + window()->menuBar()->height());
    QTRY_COMPARE(client->size(), QSize(1000, 600));
    // (15000 - 100) / 15 and (9000 - 1350 - 100) / 15
    QCOMPARE(window()->cboAddress()->width(), 993);
    QCOMPARE(browser->size(), QSize(993, 503));
    QCOMPARE(browser->pos(), QPoint(3, 88)); // 45, 1320 twips: left and top stay

    window()->resize(700, 400 + window()->menuBar()->height());
    QTRY_COMPARE(client->size(), QSize(700, 400));
    QCOMPARE(window()->cboAddress()->width(), 693);
    QCOMPARE(browser->size(), QSize(693, 303));
}

void FrmBrowserTest::minimizedGetsFallbackSize()
{
    window()->show();
    QWidget *browser = window()->findChild<QWidget *>("brwWebBrowser");
    window()->setWindowState(Qt::WindowMinimized);
    QTRY_COMPARE(browser->size(), QSize(718, 589));
    window()->setWindowState(Qt::WindowNoState);
    window()->resize(800, 500 + window()->menuBar()->height());
    QTRY_COMPARE(browser->size(), QSize(793, 403));
}

void FrmBrowserTest::downloadFolderChoice()
{
    dlform *holder = Forms::instance<dlform>();
    QCOMPARE(holder->windowTitle(), QStringLiteral("ダウンロード先フォルダーにゃあ！"));

    m_picker.answer = QStringLiteral("/home/neko/画像");
    item("daunnsyoki")->trigger();
    QCOMPARE(m_picker.titles, QStringList{"フォルダを選択してください。"});
    QCOMPARE(holder->findChild<QLabel *>("Label1")->text(), QStringLiteral("/"));
    QCOMPARE(holder->findChild<QLabel *>("Label2")->text(), QStringLiteral("/home/neko/画像"));

    m_picker.answer.reset(); // cancel keeps the choice
    item("daunnsyoki")->trigger();
    QCOMPARE(holder->Label2()->text(), QStringLiteral("/home/neko/画像"));

    m_picker.answer = QStringLiteral("/srv/dl") + QChar(0) + QStringLiteral("junk");
    item("daunnsyoki")->trigger();
    QCOMPARE(holder->Label2()->text(), QStringLiteral("/srv/dl"));
    QCOMPARE(Forms::loaded<dlform>(), holder);
    QVERIFY(!holder->isVisible());
}

void FrmBrowserTest::menuItemsShowWindows_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::newRow("kuokuo") << "kuokuo"
                            << "Form1";
    QTest::newRow("mschat") << "mschat"
                            << "mschatform";
    QTest::newRow("berjyonn") << "berjyonn"
                              << "frmAbout";
}

void FrmBrowserTest::menuItemsShowWindows()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    const auto loaded = [&]() -> QWidget * {
        if (window == "Form1")
            return Forms::loaded<Form1>();
        if (window == "mschatform")
            return Forms::loaded<mschatform>();
        return Forms::loaded<frmAbout>();
    };
    QVERIFY(!loaded());
    this->item(item.toLatin1().constData())->trigger();
    QPointer<QWidget> shown = loaded();
    QVERIFY(shown);
    QVERIFY(shown->isVisible());
    QVERIFY(!shown->isModal());
    this->item(item.toLatin1().constData())->trigger(); // open already: brought forward only
    QCOMPARE(loaded(), shown.data());
    delete shown;
}

QTEST_MAIN(FrmBrowserTest)
#include "tst_frmbrowser.moc"
