#include "shell/frmbrowser.h"

#include "about/frmabout.h"
#include "chat/mschatform.h"
#include "common/appinfo.h"
#include "common/filenames.h"
#include "common/fixedaddresses.h"
#include "common/listfile.h"
#include "common/logging.h"
#include "common/programfolder.h"
#include "download/mainform.h"
#include "download/refusalwords.h"
#include "mascot/form1.h"
#include "mascot/kuokuoform.h"
#include "mascot/serihu.h"
#include "platform/browserengine.h"
#include "platform/browserprofile.h"
#include "platform/combobox.h"
#include "platform/dialogs.h"
#include "platform/folderpicker.h"
#include "platform/forms.h"
#include "shell/browserlayout.h"
#include "shell/browserrules.h"
#include "shell/dlform.h"
#include "shell/findbar.h"
#include "shell/pagedownloads.h"
#include "shell/pageimagesave.h"
#include "shell/settingsfile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include <utility>

namespace kuokuo {

const QString frmBrowser::Caption = QStringLiteral("KUOKU'S　VAVA");
const QString frmBrowser::ConnectingCaption = QStringLiteral("接続中...");

namespace {
// A page whose renderer ends again this soon after it was loaded again is not loaded again.
constexpr qint64 RendererRetryMs = 10000;
const QString RendererEndedWords =
    QStringLiteral("ページを表示するしくみが止まってしまったから、もういちど読みこんだにゃあ");
const QString RendererGaveUpPage = QStringLiteral(
    "<!DOCTYPE html><html lang=ja><meta charset=utf-8><title>表示できなかったにゃあ</title>"
    "<body style='font-family:sans-serif;margin:3em;line-height:1.6'>"
    "<h1>このページは表示できなかったにゃあ</h1>"
    "<p>ページを表示するしくみが、読みこみなおしてすぐにまた止まってしまったにゃあ。"
    "メモリーが足りないのかもしれないにゃあ。</p>"
    "<p>ほかのプログラムを閉じてから、「更新」（F5）でもういちど試してにゃあ。</p>"
    "<p style='color:gray'>%1</p>");

const QString NoDownloadFolderWords =
    QStringLiteral("ダウンロード先のフォルダーが見つからないにゃあ。"
                   "「ダウンロード先フォルダー設定」でえらびなおしてにゃあ");

struct ToolButton
{
    const char *key;
    const char *tip;
    const char *picture;
};

const ToolButton ToolButtons[] = {
    {"Back", "戻るにゃ", ":/shell/back.svg"}, {"Forward", "進むにゃ", ":/shell/forward.svg"},
    {"Stop", "中止にゃ", ":/shell/stop.svg"}, {"Refresh", "更新にゃ", ":/shell/refresh.svg"},
    {"Home", "ﾎｰﾑにゃ", ":/shell/home.svg"},  {"Search", "検索にゃ", ":/shell/search.svg"},
};
} // namespace

frmBrowser::frmBrowser(QWidget *parent)
    : QMainWindow(parent)
    , m_labelTwips(BrowserTwips::LabelLeft, BrowserTwips::LabelTop, BrowserTwips::LabelWidth,
                   BrowserTwips::LabelHeight)
    , m_comboTwips(BrowserTwips::ComboLeft, BrowserTwips::ComboTop, BrowserTwips::ComboWidth,
                   BrowserTwips::ComboHeight)
    , m_browserTwips(BrowserTwips::BrowserLeft, BrowserTwips::BrowserTop,
                     BrowserTwips::BrowserWidth, BrowserTwips::BrowserHeight)
{
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Caption);
    setWindowIcon(QIcon(QStringLiteral(":/content/kuokuonavi.svg")));
    // No close button: the menu's exit is the only way out (see closeEvent).
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    buildToolBar();
    buildAddressStrip();

    traceStartup("toolbar and address box");
    m_browser = createBrowserEngine(m_client);
    traceStartup("browser engine");
    connect(m_browser, &BrowserEngine::DownloadComplete, this,
            &frmBrowser::brwWebBrowser_DownloadComplete);
    connect(m_browser, &BrowserEngine::LoadStarted, this, &frmBrowser::updateEscape);
    connect(m_browser, &BrowserEngine::FullScreenRequested, this,
            &frmBrowser::brwWebBrowser_FullScreenRequested);
    connect(m_browser, &BrowserEngine::RendererEnded, this,
            &frmBrowser::brwWebBrowser_RendererEnded);
    connect(m_browser, &BrowserEngine::ZoomRequested, this, &frmBrowser::zoom);
    connect(m_browser, &BrowserEngine::SaveShownImagesRequested, this,
            &frmBrowser::saveShownImages);

    m_timTimer = new QTimer(this);
    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(5);
    connect(m_timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);

    m_pageDownloads = new PageDownloads(this);
    connect(m_browser, &BrowserEngine::PageDownloadRequested, this,
            &frmBrowser::brwWebBrowser_PageDownloadRequested);
    // While the status timer runs, its tick writes the caption.
    connect(m_pageDownloads, &PageDownloads::changed, this, [this] {
        if (!m_timTimer->isActive())
            setWindowTitle(idleCaption());
    });

    buildMenu();
    buildKeys();

    resize(pixels(BrowserTwips::ClientWidth),
           pixels(BrowserTwips::ClientHeight) + menuBar()->sizeHint().height());
    placeControls();
    m_client->installEventFilter(this);
}

frmBrowser::~frmBrowser()
{
    // The box reports a lost focus while its window goes: no handler of a half-destroyed
    // window may run.
    m_cboAddress->disconnect(this);
    m_browser->disconnect(this);
    if (m_imageSave)
        m_imageSave->release();
}

QComboBox *frmBrowser::cboAddress() const
{
    return m_cboAddress;
}

void frmBrowser::buildToolBar()
{
    m_tbToolBar = new QToolBar(m_client);
    m_tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_tbToolBar->setMovable(false);
    m_tbToolBar->setFloatable(false);
    m_tbToolBar->setIconSize(QSize(24, 24));
    m_tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolButton &button : ToolButtons) {
        const QString key = QString::fromLatin1(button.key);
        QAction *action = m_tbToolBar->addAction(QIcon(QString::fromLatin1(button.picture)),
                                                 QString::fromUtf8(button.tip));
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(QString::fromUtf8(button.tip));
        connect(action, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }
}

void frmBrowser::buildAddressStrip()
{
    m_picAddress = new QWidget(m_client);
    m_picAddress->setObjectName(QStringLiteral("picAddress"));

    m_cboAddress = new EditableComboBox(m_picAddress);
    m_cboAddress->setObjectName(QStringLiteral("cboAddress"));
    m_cboAddress->setMaxVisibleItems(20);
    m_cboAddress->setToolTip(QStringLiteral("URL入力するホームページみえますにゃあ"));
    // Only a pick from the list and Enter browse; leaving the box does not.
    connect(m_cboAddress, &EditableComboBox::picked, this, &frmBrowser::cboAddress_Click);
    connect(m_cboAddress, &EditableComboBox::enterPressed, this, &frmBrowser::cboAddress_Click);
    // Addresses the list file's code page cannot hold are kept percent-encoded: the same pages.
    m_addresses.emplace(m_cboAddress, &ListFile::addresses, ComboList::Unencodable::PercentEncode);

    m_lblAddress = new QLabel(QStringLiteral("ｱﾄﾞﾚｽ(&A):"), m_picAddress);
    m_lblAddress->setObjectName(QStringLiteral("lblAddress"));
    m_lblAddress->setBuddy(m_cboAddress);
}

QAction *frmBrowser::addMenuItem(QMenu *menu, const char *name, const QString &caption,
                                 std::function<void()> action, QAction *before)
{
    QWidget *owner = menu ? static_cast<QWidget *>(menu) : menuBar();
    auto *item = new QAction(caption, owner);
    item->setObjectName(QString::fromLatin1(name));
    owner->insertAction(before, item);
    connect(item, &QAction::triggered, this, std::move(action));
    return item;
}

void frmBrowser::addFixedPage(QMenu *menu, const char *name, const QString &caption,
                              const QString &address)
{
    addMenuItem(menu, name, caption, [this, address] {
        openAddress(localPageAddress(ProgramFolder::path(), address), false);
    });
}

void frmBrowser::buildMenu()
{
    auto submenu = [this](const char *name, const QString &caption) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto separator = [](QMenu *menu, const char *name) {
        QAction *line = menu->addSeparator();
        line->setObjectName(QString::fromLatin1(name));
        return line;
    };

    addMenuItem(nullptr, "kuokuo", QStringLiteral("KUOKUOを呼ぶ(&R)"), [this] { kuokuo_Click(); });

    m_mschatsuru = submenu("mschatsuru", QStringLiteral("MS-CHATでもする(&M)"));
    addFixedPage(m_mschatsuru, "kyoutoko1", QStringLiteral("#きょうとこのへやへの接続HP"),
                 FixedAddresses::ChatRoomPage);
    separator(m_mschatsuru, "rainn");
    addFixedPage(m_mschatsuru, "ms25dl", QStringLiteral("MSCHATソフトのダウンロード"),
                 FixedAddresses::ChatClientDownload);
    addFixedPage(m_mschatsuru, "mschatsaba", QStringLiteral("MSCHAT接続サーバーHPへ"),
                 FixedAddresses::ChatServerPage);
    addFixedPage(m_mschatsuru, "bbs", QStringLiteral("ソフトやチャットについての質問BBS"),
                 FixedAddresses::QuestionBoard);
    addFixedPage(m_mschatsuru, "asobikata", QStringLiteral("MSCHATの遊び方のHPへ"),
                 FixedAddresses::HowToChatPage);
    addFixedPage(m_mschatsuru, "tmsh", QStringLiteral("zorEDUDARiridevadi"),
                 FixedAddresses::AuthorTopPage);
    addMenuItem(m_mschatsuru, "mail", QStringLiteral("メールでも送ってみるかにゃ！"),
                [this] { openAddress(FixedAddresses::Mail, false); });
    separator(m_mschatsuru, "rainn2");
    addMenuItem(m_mschatsuru, "mschat", QStringLiteral("MSCHATに自分で設定して接続"),
                [] { Forms::show<mschatform>(); });

    m_filedl1 = submenu("filedl1", QStringLiteral("画像のダウンロード(&D)"));
    addMenuItem(m_filedl1, "filedl", QStringLiteral("ダウンロードをはじめる(&H)"),
                [this] { filedl_Click(); });
    m_daunnsyoki =
        addMenuItem(m_filedl1, "daunnsyoki", QStringLiteral("ダウンロード先フォルダー設定(&S)"),
                    [this] { daunnsyoki_Click(); });

    m_adoresu = submenu("adoresu", QStringLiteral("アドレス追加削除"));
    addMenuItem(m_adoresu, "adoresut", QStringLiteral("アドレスの追加にゃ(&T)"),
                [this] { adoresut_Click(); });
    addMenuItem(m_adoresu, "adoresus", QStringLiteral("アドレスの削除にゃ(&S)"),
                [this] { adoresus_Click(); });

    m_end = addMenuItem(nullptr, "end", QStringLiteral("終了(&X)"), [this] { end_Click(); });
    addMenuItem(
        nullptr, "berjyonn", QStringLiteral("バージョン情報(&V)"), [] { Forms::show<frmAbout>(); },
        m_end);
}

void frmBrowser::buildKeys()
{
    const auto key = [this](QList<QKeySequence> keys, std::function<void()> action) {
        auto *item = new QAction(this);
        item->setShortcuts(keys);
        addAction(item);
        connect(item, &QAction::triggered, this, std::move(action));
        return item;
    };
    key({Qt::CTRL | Qt::Key_L}, [this] { focusAddress(); });
    key({Qt::Key_F5, Qt::CTRL | Qt::Key_R},
        [this] { tbToolBar_ButtonClick(QStringLiteral("Refresh")); });
    key({Qt::ALT | Qt::Key_Left}, [this] { tbToolBar_ButtonClick(QStringLiteral("Back")); });
    key({Qt::ALT | Qt::Key_Right}, [this] { tbToolBar_ButtonClick(QStringLiteral("Forward")); });
    // "+" takes Shift on most keyboards, Shift+";" on a Japanese one.
    key({Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal, Qt::CTRL | Qt::SHIFT | Qt::Key_Plus,
         Qt::CTRL | Qt::SHIFT | Qt::Key_Semicolon},
        [this] { zoom(1); });
    key({Qt::CTRL | Qt::Key_Minus}, [this] { zoom(-1); });
    key({Qt::CTRL | Qt::Key_0}, [this] { zoom(0); });
    key({Qt::CTRL | Qt::Key_F}, [this] { openFindBar(); });
    key({Qt::Key_F3}, [this] { findAgain(false); });
    key({Qt::SHIFT | Qt::Key_F3}, [this] { findAgain(true); });
    key({Qt::CTRL | Qt::SHIFT | Qt::Key_S}, [this] { saveShownImages(); });
    m_escape = key({Qt::Key_Escape}, [this] { escape(); });
    updateEscape();
}

int frmBrowser::pixels(int twips) const
{
    return twipsToPixels(twips, logicalDpiX());
}

void frmBrowser::placeControls()
{
    const int width = m_client->width();
    m_tbToolBar->setGeometry(0, 0, width, pixels(BrowserTwips::ToolBarHeight));
    // The address strip is aligned to the top: it spans the window.
    m_picAddress->setGeometry(0, pixels(BrowserTwips::PicAddressTop), width,
                              pixels(BrowserTwips::PicAddressHeight));
    auto place = [this](QWidget *control, const QRect &twips) {
        control->setGeometry(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()),
                             pixels(twips.height()));
    };
    place(m_lblAddress, m_labelTwips);
    place(m_cboAddress, m_comboTwips);
    QWidget *page = m_browser->widget();
    place(page, m_browserTwips);
    if (m_fullScreen) {
        page->setGeometry(m_client->rect());
    } else if (m_findBar && m_findBar->isVisible()) {
        // The find bar takes the top of the page's place.
        const int height = m_findBar->sizeHint().height();
        m_findBar->setGeometry(page->x(), page->y(), page->width(), height);
        page->setGeometry(page->geometry().adjusted(0, height, 0, 0));
    }
}

void frmBrowser::Form_Resize()
{
    if (!m_browser) // still being built
        return;
    const qreal dpi = logicalDpiX();
    const bool minimized = isMinimized();
    const int innerWidth = minimized ? 0 : pixelsToTwips(m_client->width(), dpi);
    const int innerHeight = minimized ? 0 : pixelsToTwips(m_client->height(), dpi);
    const BrowserLayout layout = formResizeLayout(innerWidth, innerHeight);
    if (layout.comboWidth)
        m_comboTwips.setWidth(*layout.comboWidth);
    m_browserTwips.setWidth(layout.browserWidth);
    m_browserTwips.setHeight(layout.browserHeight);
    placeControls();
}

void frmBrowser::Form_Load()
{
    // The close command is gone from the window's make (see the constructor and closeEvent).
    if (!inibunkatsu(ProgramFolder::path()))
        return;
    traceStartup("settings split");
    // The start page is asked for first: the engine loads it while the window is laid out and
    // shown, and nothing of either is painted before this handler returns.
    StartingAddress = ProgramFolder::file(FileNames::StartPage);
    m_timTimer->start();
    m_browser->Navigate(StartingAddress);
    traceStartup("start page asked for");
    show();
    m_tbToolBar->update();
    Form_Resize();
    adoresuyomikomi();
    m_comboTwips.moveTo(BrowserTwips::ComboStartLeft,
                        m_labelTwips.top() + m_labelTwips.height() + 15);
    placeControls();
    m_cboAddress->setEditText(StartingAddress);
    traceStartup("shown");
}

void frmBrowser::end_Click()
{
    m_unloading = true;
    close();
    // The window is gone from here on; the rest of the sequence does not touch it.
    if (!saveSettings(ProgramFolder::path())) {
        // Without the farewell the working files stay, but the next start replaces them from
        // the settings file: the user must hear that this run's changes were not saved.
        dialogs().messageBox(nullptr,
                             QStringLiteral("設定ファイル（%1）に保存できなかったにゃあ！"
                                            "ディスクの空きを確かめてにゃあ")
                                 .arg(FileNames::Settings),
                             AppInfo::Title);
        return;
    }
    Forms::instance<kuokuoform>()->farewell();
}

void frmBrowser::closeEvent(QCloseEvent *event)
{
    // Alt+F4 and the window manager's close request do nothing: every normal end of the program
    // passes through the exit sequence, which saves the settings file.
    if (m_unloading)
        event->accept();
    else
        event->ignore();
}

void frmBrowser::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool frmBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmBrowser::openAddress(const QString &address, bool showWindow)
{
    m_cboAddress->setEditText(address);
    if (showWindow) {
        if (isMinimized())
            showNormal();
        else
            show();
        raise();
        activateWindow();
    }
    m_browser->Navigate(m_cboAddress->currentText());
}

void frmBrowser::tbToolBar_ButtonClick(const QString &key)
{
    m_timTimer->start();
    if (key == QLatin1String("Back"))
        m_browser->GoBack();
    else if (key == QLatin1String("Forward"))
        m_browser->GoForward();
    else if (key == QLatin1String("Refresh"))
        m_browser->Refresh();
    else if (key == QLatin1String("Home"))
        m_browser->GoHome();
    else if (key == QLatin1String("Search"))
        m_browser->GoSearch();
    else if (key == QLatin1String("Stop")) {
        m_timTimer->stop();
        m_browser->Stop();
        setWindowTitle(idleCaption());
        updateEscape();
    }
}

void frmBrowser::cboAddress_Click()
{
    m_timTimer->start();
    const QString text = m_cboAddress->currentText();
    // Words that are not an address are looked for with the search page's engine.
    m_browser->Navigate(isSearchWords(text) ? BrowserEngine::searchAddress(text) : text);
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(idleCaption());
    m_cboAddress->setEditText(m_browser->LocationURL());
    updateEscape();
}

void frmBrowser::brwWebBrowser_PageDownloadRequested(PageDownload *download)
{
    // The save dialog starts where the images go; a saved page is named after its title.
    const QString name = download->savesPage()
                             ? savePageName(m_browser->LocationName(), m_browser->LocationURL())
                             : download->suggestedFileName();
    m_pageDownloads->start(download, Forms::instance<dlform>()->Label2()->text(), name);
}

void frmBrowser::brwWebBrowser_FullScreenRequested(bool on)
{
    if (on == m_fullScreen)
        return;
    m_fullScreen = on;
    if (on) {
        m_stateBeforeFullScreen = windowState();
        const QList<QWidget *> parts{menuBar(), m_tbToolBar, m_picAddress, m_findBar};
        for (QWidget *part : parts)
            if (part && part->isVisible()) {
                part->hide();
                m_hiddenInFullScreen << part;
            }
        setWindowState(m_stateBeforeFullScreen | Qt::WindowFullScreen);
    } else {
        for (const QPointer<QWidget> &part : std::exchange(m_hiddenInFullScreen, {}))
            if (part)
                part->show();
        setWindowState(m_stateBeforeFullScreen);
    }
    placeControls();
    updateEscape();
}

void frmBrowser::brwWebBrowser_RendererEnded()
{
    // Loaded again once; a page whose renderer ends again soon after would end again and again.
    if (m_rendererRestarted.isValid() && !m_rendererRestarted.hasExpired(RendererRetryMs)) {
        m_browser->ShowHtml(RendererGaveUpPage.arg(m_browser->LocationURL().toHtmlEscaped()));
        return;
    }
    m_rendererRestarted.start();
    tbToolBar_ButtonClick(QStringLiteral("Refresh"));
    speak(Line::RendererEnded, RendererEndedWords);
}

void frmBrowser::focusAddress()
{
    m_cboAddress->setFocus(Qt::ShortcutFocusReason);
    m_cboAddress->lineEdit()->selectAll();
}

void frmBrowser::zoom(int steps)
{
    m_browser->setZoomFactor(zoomStep(m_browser->zoomFactor(), steps));
}

FindBar *frmBrowser::findBar()
{
    if (!m_findBar) {
        m_findBar = new FindBar(m_client);
        connect(m_findBar, &FindBar::find, m_browser, &BrowserEngine::Find);
        connect(m_browser, &BrowserEngine::FindFinished, m_findBar, &FindBar::showResult);
        connect(m_findBar, &FindBar::closeRequested, this, &frmBrowser::closeFindBar);
    }
    if (m_findBar->isHidden()) {
        m_findBar->show();
        placeControls();
        updateEscape();
    }
    return m_findBar;
}

void frmBrowser::openFindBar()
{
    // The full screen shows the page alone.
    if (!m_fullScreen)
        findBar()->open();
}

void frmBrowser::findAgain(bool backward)
{
    // F3 with nothing to look for opens the bar.
    if (!m_findBar || m_findBar->isHidden() || m_findBar->text().isEmpty())
        openFindBar();
    else
        m_browser->Find(m_findBar->text(), backward);
}

void frmBrowser::closeFindBar()
{
    m_findBar->hide();
    m_browser->Find(QString(), false);
    placeControls();
    updateEscape();
    m_browser->widget()->setFocus();
}

void frmBrowser::escape()
{
    if (m_fullScreen)
        m_browser->ExitFullScreen();
    else if (m_findBar && m_findBar->isVisible())
        closeFindBar();
    else if (m_browser->Busy())
        tbToolBar_ButtonClick(QStringLiteral("Stop"));
}

void frmBrowser::updateEscape()
{
    m_escape->setEnabled(m_fullScreen || (m_findBar && m_findBar->isVisible()) ||
                         m_browser->Busy());
}

QString frmBrowser::idleCaption() const
{
    return m_pageDownloads->running() ? m_pageDownloads->caption() : m_browser->LocationName();
}

void frmBrowser::saveShownImages()
{
    // One save at a time: the key again while it runs starts nothing.
    if (m_imageSave && m_imageSave->running())
        return;
    const std::optional<QString> folder = downloadFolder();
    if (!folder) {
        speak(Line::PageImagesNotSaved, NoDownloadFolderWords);
        return;
    }
    if (!m_imageSave) {
        m_imageSave = new PageImageSave(m_browser);
        fetchAsBrowser(*m_browser, m_imageSave->transfers(), m_imageSave);
        connect(m_imageSave, &PageImageSave::finished, this, &frmBrowser::pageImagesSaved);
    }
    m_imageSave->start(*folder);
}

void frmBrowser::pageImagesSaved(const PageImages &result)
{
    const bool allSaved = result.ok && result.saved > 0 && result.refused.isEmpty();
    speak(allSaved ? Line::PageImagesSaved : Line::PageImagesNotSaved, pageImagesWords(result));
}

void frmBrowser::timTimer_Timer()
{
    if (m_browser->Busy()) {
        setWindowTitle(ConnectingCaption);
        return;
    }
    m_timTimer->stop();
    setWindowTitle(idleCaption());
}

void frmBrowser::kuokuo_Click()
{
    Forms::show<Form1>();
}

void frmBrowser::adoresuyomikomi()
{
    // A missing or damaged list leaves the drop-down list empty, without a message.
    if (!m_addresses->load())
        qCInfo(lcFiles) << "no address list loaded from" << m_addresses->path();
}

void frmBrowser::adoresut_Click()
{
    // A full list makes the cat say so; the entry then stays for this run only.
    if (m_addresses->add() == ComboList::Added::Added)
        adoresukakikomi();
}

void frmBrowser::adoresus_Click()
{
    if (m_addresses->entries().isEmpty())
        return;
    m_addresses->remove();
    if (!m_addresses->overCapacity())
        adoresukakikomi();
}

void frmBrowser::adoresukakikomi()
{
    tellListSave(this, m_addresses->save());
}

std::optional<QString> frmBrowser::downloadFolder() const
{
    // Linux has one drive, "/": a folder elsewhere, or one that is gone, cannot be used.
    const dlform *holder = Forms::instance<dlform>();
    const QString folder = holder->Label2()->text();
    if (holder->Label1()->text() != QLatin1String("/") || !QFileInfo(folder).isDir())
        return std::nullopt;
    return folder;
}

void frmBrowser::filedl_Click()
{
    const std::optional<QString> folder = downloadFolder();
    if (!folder) {
        dialogs().beep();
        dialogs().messageBox(
            this,
            QStringLiteral("エラーが出ましたにゃ！ダウンロード先のドライブを設定しなおしてにゃあ"),
            QStringLiteral("ドライブエラーメッセージ"));
        return;
    }
    // A window made now starts its folder lists at the download folder, and fetches as this
    // browser does; an open one keeps both.
    const bool opening = !Forms::loaded<MainForm>();
    MainForm *download = Forms::instance<MainForm>(*folder);
    if (opening)
        fetchAsBrowser(*m_browser, download->transfers(), download);
    download->openPage(m_cboAddress->currentText());
    Forms::show<MainForm>();
}

void frmBrowser::daunnsyoki_Click()
{
    std::optional<QString> folder =
        folderPicker().chooseFolder(this, QStringLiteral("フォルダを選択してください。"));
    if (!folder)
        return;
    const qsizetype nul = folder->indexOf(QChar(0));
    if (nul >= 0)
        folder->truncate(nul);
    Forms::instance<dlform>()->setFolder(*folder);
}

} // namespace kuokuo
