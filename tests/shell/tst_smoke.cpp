#include "common/filenames.h"
#include "mascot/kuokuoform.h"
#include "platform/browserengine.h"
#include "platform/forms.h"
#include "shell/frmbrowser.h"
#include "shell/navigator.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLoggingCategory>
#include <QWebEngineView>
#include <QtTest>

#include <unistd.h>

using namespace kuokuo;
using namespace kuokuo::test;

// The navigator with the real web view, on a real X server.
class SmokeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startPageShowsWithItsTitle();
};

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
