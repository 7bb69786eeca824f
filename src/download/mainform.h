#pragma once

#include "download/downloadengine.h"

#include <QDir>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace kuokuo {

class DirListBox;
class DriveListBox;
class FileListBox;
class Inet;
class UpDown;

// The image download window: the upper frame saves the images of a page, the lower one a
// numbered series of files from a web folder, into the folder chosen in the lists below.
class MainForm : public QWidget, private DownloadHost
{
    Q_OBJECT
public:
    // A new window's folder lists start at `downloadFolder`.
    explicit MainForm(const QString &downloadFolder = QDir::homePath(), QWidget *parent = nullptr);
    ~MainForm() override;

    // The main window's download start: the page whose images are saved goes into TURL2, its
    // folder (the folder of a numbered series) into TURL.
    void openPage(const QString &address);

    QLineEdit *TURL() const { return m_TURL; }
    QLineEdit *TURL2() const { return m_TURL2; }

    // The check of one image name before it is saved: offers to look for a hidden numbered
    // series in the folder of `imageAddress`.
    void rennbannkakuninn(const QString &filenamerenn, const QUrl &imageAddress);

    // True while a click runs a transfer.
    bool running() const { return m_running; }

    // The window's transfers: opened from the navigator, they fetch as its browser does, so that
    // the window gets what the user sees after a login.
    Inet &transfers() { return *m_Inet; }

    // The status line's text for a transfer state, or nothing for an unknown state.
    static std::optional<QString> stateText(int state);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Run;

    QGroupBox *buildPageFrame();
    QGroupBox *buildSeriesFrame();
    QLayout *buildFolderLists(const QString &folder);
    QStatusBar *buildStatusBar();

    void CGet_Click();
    void CGet2_Click();
    void CAbort_Click();
    void CAbort1_Click();
    void TFile_DblClick();
    void Drive_Change();
    void Dir_Change();
    void Inet_StateChanged(qint16 State);

    // DownloadHost
    QString folderAddress() override;
    QString downloadFolder() override;
    void numberedSaved(qint16 number, const QString &name, qint64 size) override;
    void numberedMissing(qint16 number, const Refusal &why) override;
    void imageSaved(int place, const QString &name, qint64 size) override;
    void imageRefused(int place, const Refusal &why) override;
    void failed(const Refusal &why) override;
    void waiting(const Refusal &why, int seconds) override;
    void progress(int done, int total) override;
    bool aborted() override;
    bool ending() override;
    void speak(qint16 line) override;
    void status(const QString &text) override;
    bool probeWanted(const QString &filenamerenn) override;
    std::optional<qint16> probeStart(const QString &FileName, const QString &filenamemoto,
                                     const QString &folder) override;
    void probeEnded(DownloadEngine::RunEnd end) override;

    QGroupBox *m_Frame2;
    QLineEdit *m_TURL2;
    QPushButton *m_CGet2;
    QPushButton *m_CAbort1;
    QPushButton *m_CClose1;
    QGroupBox *m_Frame1;
    QLineEdit *m_TURL;
    QLineEdit *m_TFile;
    QLineEdit *m_TInit;
    UpDown *m_UpDown1;
    QLineEdit *m_TLast;
    UpDown *m_UpDown2;
    QPushButton *m_CGet;
    QPushButton *m_CAbort;
    QPushButton *m_CClose;
    DriveListBox *m_Drive;
    DirListBox *m_Dir;
    FileListBox *m_File;
    QStatusBar *m_SB;
    QProgressBar *m_ProgressBar1;
    Inet *m_Inet;

    DownloadEngine m_engine;
    QList<Refusal> m_refused; // the images of this extraction that were not saved
    bool chuushi = false;
    bool m_running = false;
    bool m_closeRequested = false;
};

} // namespace kuokuo
