#include "download/folderlists.h"
#include "download/mainform.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "shell/dlform.h"
#include "shell/frmbrowser.h"
#include "support/fakebrowser.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

// The menu item that starts the download window from the navigator: the download folder kept
// by dlform becomes the current folder, the address box fills TURL2 and its folder TURL.
class FiledlTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opensAtTheDownloadFolder_data();
    void opensAtTheDownloadFolder();
    void unusableFolder_data();
    void unusableFolder();
    void openWindowKeepsItsLists();
    void freshStartOpensAtThePicturesFolder();

private:
    void start(const QString &address)
    {
        Forms::instance<frmBrowser>()->cboAddress()->setEditText(address);
        Forms::instance<frmBrowser>()->findChild<QAction *>("filedl")->trigger();
    }

    FakeBrowserEngines m_engines;
    FakeDialogs m_dialogs;
    std::optional<TestProgramFolder> m_program;
    std::optional<Installed<BrowserEngineFactory>> m_installedEngines;
    std::optional<Installed<Dialogs>> m_installedDialogs;
    QTemporaryDir m_download;
};

void FiledlTest::init()
{
    m_program.emplace();
    m_program->installMascotLines();
    m_installedEngines.emplace(m_engines);
    m_dialogs = FakeDialogs();
    m_installedDialogs.emplace(m_dialogs);
}

void FiledlTest::cleanup()
{
    delete Forms::loaded<MainForm>();
    delete Forms::loaded<frmBrowser>();
    delete Forms::loaded<kuokuoform>();
    delete Forms::loaded<dlform>();
    m_installedDialogs.reset();
    m_installedEngines.reset();
    m_program.reset();
}

void FiledlTest::opensAtTheDownloadFolder_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("folder");
    QTest::newRow("page") << "http://host/gazou/index.html"
                          << "http://host/gazou/";
    QTest::newRow("host only") << "http://host"
                               << "http://host/";
    QTest::newRow("https page") << "https://host/a/b.html"
                                << "https://host/a/";
    QTest::newRow("empty address box") << ""
                                       << "/";
}

void FiledlTest::opensAtTheDownloadFolder()
{
    QFETCH(QString, address);
    QFETCH(QString, folder);
    Forms::instance<dlform>()->setFolder(m_download.path());
    start(address);

    QVERIFY(m_dialogs.calls.isEmpty());
    const QString here = QDir(m_download.path()).canonicalPath();
    MainForm *download = Forms::loaded<MainForm>();
    QVERIFY(download);
    QVERIFY(download->isVisible());
    QCOMPARE(download->TURL2()->text(), address);
    QCOMPARE(download->TURL()->text(), folder);
    QCOMPARE(download->findChild<DirListBox *>("Dir")->path(), here);
    QCOMPARE(download->findChild<FileListBox *>("File")->path(), here);
}

void FiledlTest::unusableFolder_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::newRow("folder gone") << "/no/such/folder";
    QTest::newRow("network share") << "\\\\server\\share";
}

void FiledlTest::unusableFolder()
{
    QFETCH(QString, chosen);
    Forms::instance<dlform>()->setFolder(chosen);
    start("http://host/gazou/index.html");
    QCOMPARE(m_dialogs.calls,
             (QStringList{"beep", "message|ドライブエラーメッセージ|エラーが出ましたにゃ！"
                                  "ダウンロード先のドライブを設定しなおしてにゃあ"}));
    QVERIFY(!Forms::loaded<MainForm>());
}

void FiledlTest::openWindowKeepsItsLists()
{
    Forms::instance<dlform>()->setFolder(m_download.path());
    start("http://host/one/a.html");
    QTemporaryDir other;
    Forms::instance<dlform>()->setFolder(other.path());
    start("http://host/two/b.html");
    MainForm *download = Forms::loaded<MainForm>();
    QCOMPARE(download->findChild<DirListBox *>("Dir")->path(),
             QDir(m_download.path()).canonicalPath());
    QCOMPARE(download->TURL()->text(), QStringLiteral("http://host/two/"));
}

void FiledlTest::freshStartOpensAtThePicturesFolder()
{
    // The first download of a run works without choosing a folder first.
    start("http://host/gazou/index.html");
    QVERIFY(m_dialogs.calls.isEmpty());
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString folder = QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
    QCOMPARE(Forms::loaded<dlform>()->Label1()->text(), QStringLiteral("/"));
    QCOMPARE(Forms::loaded<dlform>()->Label2()->text(), folder);
    QVERIFY(Forms::loaded<MainForm>()->isVisible());
    QCOMPARE(Forms::loaded<MainForm>()->findChild<DirListBox *>("Dir")->path(),
             QDir(folder).canonicalPath());
}

QTEST_MAIN(FiledlTest)
#include "tst_filedl.moc"
