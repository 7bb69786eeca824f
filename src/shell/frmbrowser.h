#pragma once

#include "platform/combolist.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;

namespace kuokuo {

class BrowserEngine;
class EditableComboBox;
class FindBar;
class PageDownload;
class PageDownloads;
class PageImageSave;
struct PageImages;

// The navigator: a small web browser whose menu opens every other window. It is the start-up
// window and offers no close command; the menu item "終了" is the only way out.
class frmBrowser : public QMainWindow
{
    Q_OBJECT
public:
    static const QString Caption;
    static const QString ConnectingCaption;

    explicit frmBrowser(QWidget *parent = nullptr);
    ~frmBrowser() override;

    // The start-up sequence: split the settings file, show the window, load the address list and
    // the start page. Stops at a failed split, leaving a window without page.
    void Form_Load();

    // The exit sequence: unload the window, save the settings file, then the cat's farewell.
    void end_Click();

    // How other windows and the menu's fixed pages show an address: put it into the address box,
    // show the window if asked, and navigate to the text read back from the box. The status timer
    // is left as it is.
    void openAddress(const QString &address, bool showWindow);

    // Loads "rad.rtp" into the address list; the address box's text is not changed.
    void adoresuyomikomi();

    QString StartingAddress;

    BrowserEngine *brwWebBrowser() const { return m_browser; }
    QComboBox *cboAddress() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildToolBar();
    void buildAddressStrip();
    void buildMenu();
    // The keys every browser has, wherever the focus is in the window.
    void buildKeys();
    // Adds a menu item named `name` to `menu`, before `before` when given.
    QAction *addMenuItem(QMenu *menu, const char *name, const QString &caption,
                         std::function<void()> action, QAction *before = nullptr);
    void addFixedPage(QMenu *menu, const char *name, const QString &caption,
                      const QString &address);

    // Layout
    void placeControls();
    void Form_Resize();
    int pixels(int twips) const;

    // Browsing
    void tbToolBar_ButtonClick(const QString &key);
    void cboAddress_Click();
    void brwWebBrowser_DownloadComplete();
    void brwWebBrowser_PageDownloadRequested(PageDownload *download);
    void brwWebBrowser_FullScreenRequested(bool on);
    void brwWebBrowser_RendererEnded();
    void timTimer_Timer();
    void focusAddress();
    void zoom(int steps);
    // The find bar, made when first asked for.
    FindBar *findBar();
    void openFindBar();
    void findAgain(bool backward);
    void closeFindBar();
    // Escape leaves the full screen, else closes the find bar, else stops the page; with none
    // of these to do the page has the key.
    void escape();
    void updateEscape();
    // The caption while no page loads: how far the downloads are, or else the page's title.
    QString idleCaption() const;
    // Ctrl+Shift+S and the page's context menu: the images the page shows, saved into the
    // download folder; the cat tells the end.
    void saveShownImages();
    void pageImagesSaved(const PageImages &result);

    // Menu
    void kuokuo_Click();
    void adoresut_Click();
    void adoresus_Click();
    void adoresukakikomi();
    void filedl_Click();
    void daunnsyoki_Click();
    // The folder downloads go into, when it can be used.
    std::optional<QString> downloadFolder() const;

    BrowserEngine *m_browser = nullptr;
    QWidget *m_client = nullptr;
    QToolBar *m_tbToolBar = nullptr;
    QWidget *m_picAddress = nullptr;
    QLabel *m_lblAddress = nullptr;
    EditableComboBox *m_cboAddress = nullptr;
    std::optional<ComboList> m_addresses;
    QTimer *m_timTimer = nullptr;
    PageDownloads *m_pageDownloads = nullptr;
    // Made at the first save; it outlives the window while its transfers unwind.
    QPointer<PageImageSave> m_imageSave;
    QMenu *m_mschatsuru = nullptr;
    QMenu *m_filedl1 = nullptr;
    QMenu *m_adoresu = nullptr;
    QAction *m_daunnsyoki = nullptr;
    QAction *m_end = nullptr;
    QAction *m_escape = nullptr;
    FindBar *m_findBar = nullptr;
    // What the full screen hid, shown again when it ends, and the window's state before it.
    QList<QPointer<QWidget>> m_hiddenInFullScreen;
    Qt::WindowStates m_stateBeforeFullScreen;
    bool m_fullScreen = false;
    QElapsedTimer m_rendererRestarted;

    // Places in twips, converted at the screen's resolution.
    QRect m_labelTwips;
    QRect m_comboTwips;
    QRect m_browserTwips;
    bool m_unloading = false;
};

} // namespace kuokuo
