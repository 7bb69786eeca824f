#include "common/filenames.h"
#include "mascot/kuokuoform.h"
#include "platform/browserengine.h"
#include "platform/forms.h"
#include "shell/dlform.h"
#include "shell/frmbrowser.h"
#include "shell/navigator.h"
#include "shell/pagedownloads.h"
#include "support/fakes.h"
#include "support/httpserver.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QWebEngineView>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace kuokuo;
using namespace kuokuo::test;

// The navigator with the real web view, on a real X server.
class SmokeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void startPageShowsWithItsTitle();
    void pageDownloadsAppearOnlyWhole_data();
    void pageDownloadsAppearOnlyWhole();
};

void SmokeTest::cleanup()
{
    delete Forms::loaded<frmBrowser>();
    delete Forms::loaded<kuokuoform>();
}

void SmokeTest::startPageShowsWithItsTitle()
{
    TestProgramFolder folder;
    frmBrowser *window = startNavigator();
    const QString start = folder.file(FileNames::StartPage);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("KUOKUOナビへようこそにゃあ"),
                              60000);
    QCOMPARE(window->brwWebBrowser()->LocationURL(), start);
    QTRY_COMPARE(window->cboAddress()->currentText(), start);
    QVERIFY(!window->brwWebBrowser()->Busy());
    QCOMPARE(window->brwWebBrowser()->widget()->objectName(), QStringLiteral("brwWebBrowser"));

    // A page of the menu, then back to the start page.
    window->findChild<QAction *>("tmsh")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("KUOKUOのホームページにゃあ"),
                              30000);
    window->findChild<QAction *>("Back")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("KUOKUOナビへようこそにゃあ"),
                              30000);

    // A mic: link inside a page reaches the scheme's handler exactly as the page built it.
    FakeSchemeLauncher launcher;
    Installed<SchemeLauncher> installed(launcher);
    window->findChild<QAction *>("kyoutoko1")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(),
                              QStringLiteral("きょうとこのへやへの接続にゃあ"), 30000);
    auto *view = qobject_cast<QWebEngineView *>(window->brwWebBrowser()->widget());
    QVERIFY(view);
    view->page()->runJavaScript(QStringLiteral("document.getElementById('server').value = ' srv ';"
                                               "document.getElementById('room').value = 'ねこ部屋';"
                                               "connectRoom();"));
    QTRY_COMPARE_WITH_TIMEOUT(launcher.launched, QStringList{"mic://srv/ねこ部屋"}, 30000);

    window->end_Click();
    QVERIFY(folder.exists(FileNames::SettingsBackup));
    QVERIFY(Forms::loaded<kuokuoform>());
    QTRY_VERIFY(!Forms::loaded<frmBrowser>());
    delete Forms::loaded<kuokuoform>();
}

void SmokeTest::pageDownloadsAppearOnlyWhole_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("oldFile");
    QTest::newRow("an archive") << "zip" << false;
    QTest::newRow("an archive replacing a file") << "zip" << true;
    QTest::newRow("an image cut off") << "cut" << false;
    QTest::newRow("an image cut off, the old file stays") << "cut" << true;
}

void SmokeTest::pageDownloadsAppearOnlyWhole()
{
    QFETCH(QString, link);
    QFETCH(bool, oldFile);
    HttpServer server;
    constexpr qint64 Size = 3 * 1024 * 1024;
    server.generated(QStringLiteral("/neko.zip"), Size, "application/zip");
    server.reset(QStringLiteral("/cut.jpg"), Size, Size / 3);
    server.file(QStringLiteral("/files.html"),
                "<html><head><title>files</title></head><body>"
                "<a id='zip' href='/neko.zip'>zip</a> <a id='cut' href='/cut.jpg' download>jpg</a>"
                "</body></html>",
                "text/html");
    TestProgramFolder folder;
    QTemporaryDir saved;
    const QString target = saved.filePath(QStringLiteral("保存.bin"));
    const QByteArray old("old bytes");
    if (oldFile) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    }
    FakeDialogs dialogs;
    dialogs.saveAnswers << target;
    Installed<Dialogs> installed(dialogs);
    frmBrowser *window = startNavigator();

    // The user types the page's address, then follows its link.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QComboBox *box = window->cboAddress();
    QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
    QTRY_VERIFY(QApplication::focusWidget());
    box->lineEdit()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), server.url(QStringLiteral("/files.html")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("files"), 10000);
    auto *view = qobject_cast<QWebEngineView *>(window->brwWebBrowser()->widget());
    view->page()->runJavaScript(QStringLiteral("document.getElementById('%1').click();").arg(link));

    // Asked once, however often the engine retries; then the cat tells the end.
    QTRY_VERIFY_WITH_TIMEOUT(Forms::loaded<kuokuoform>(), 10000);
    const QString suggested = link == "zip" ? "neko.zip" : "cut.jpg";
    QCOMPARE(dialogs.calls,
             QStringList{"save|" + PageDownloads::SaveTitle + "|" +
                         QDir(Forms::instance<dlform>()->Label2()->text()).filePath(suggested)});
    kuokuoform *cat = Forms::loaded<kuokuoform>();
    const bool whole = link == "zip";
    QCOMPARE(cat->shownLine(), qint16(whole ? 4 : 6));
    QCOMPARE(cat->findChild<QPlainTextEdit *>("serihuText")->toPlainText(),
             whole ? QStringLiteral("「保存.bin」のダウンロードがおわったにゃあ！")
                   : QStringLiteral(
                         "「保存.bin」のダウンロードに失敗したにゃあ…もういちど試してにゃあ"));
    QTRY_COMPARE(window->windowTitle(), QStringLiteral("files"));

    // Nothing but the file under its chosen name, whole, with the usual modes.
    const bool kept = whole || oldFile;
    QTRY_COMPARE(QDir(saved.path()).entryList(QDir::Files | QDir::Hidden),
                 kept ? QStringList{"保存.bin"} : QStringList());
    if (kept) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == (whole ? HttpServer::generatedContent("/neko.zip", Size) : old));
        struct stat info = {};
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, oldFile ? 0640u : 0666u & ~mask);
    }
}

int main(int argc, char *argv[])
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // No GPU under Xvfb: software drawing starts faster and stays quiet.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-logging --log-level=3");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    SmokeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smoke.moc"
