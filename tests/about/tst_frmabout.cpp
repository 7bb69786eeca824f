#include "about/frmabout.h"
#include "common/appinfo.h"
#include "platform/forms.h"
#include "support/fakeregistry.h"
#include "support/fakes.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
const QString MsInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString SharedToolsKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString Unavailable = "message|KUOKUOナビ|現時点ではｼｽﾃﾑ情報を使用できません";
} // namespace

class FrmAboutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { delete Forms::loaded<frmAbout>(); }
    void texts();
    void okAndEscapeClose_data();
    void okAndEscapeClose();
    void startSysInfo_data();
    void startSysInfo();
};

void FrmAboutTest::texts()
{
    frmAbout *about = Forms::instance<frmAbout>();
    QCOMPARE(about->windowTitle(), QStringLiteral("KUOKUOナビのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(about->findChild<QLabel *>("lblTitle")->text(), AppInfo::Title);
    QCOMPARE(about->findChild<QLabel *>("lblVersion")->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 2.0.8"));
    QCOMPARE(about->findChild<QLabel *>("lblDescription")->text(),
             QStringLiteral("猫のKUOKUOがプラウザになって登場にゃあ！") +
                 QString(4, QChar(0x3000)) +
                 QStringLiteral("画像ダウンロードMS-CHATの入室などできますにゃあ！"));
    QVERIFY(!about->findChild<QLabel *>("lblDisclaimer")->text().isEmpty());
    QCOMPARE(about->findChild<QPushButton *>("cmdSysInfo")->text(),
             QStringLiteral("ｼｽﾃﾑ情報(&S)..."));
    QCOMPARE(about->findChild<QPushButton *>("cmdOK")->text(), QStringLiteral("OK"));
    QVERIFY(about->findChild<QPushButton *>("cmdOK")->isDefault());
    QVERIFY(!about->isModal());
    QVERIFY(!(about->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(about->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void FrmAboutTest::okAndEscapeClose_data()
{
    QTest::addColumn<int>("key"); // 0: click cmdOK
    QTest::newRow("cmdOK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void FrmAboutTest::okAndEscapeClose()
{
    QFETCH(int, key);
    QPointer<frmAbout> about = Forms::instance<frmAbout>();
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    if (key == 0)
        about->findChild<QPushButton *>("cmdOK")->click();
    else
        QTest::keyClick(about, Qt::Key(key));
    QTRY_VERIFY(about.isNull());
}

void FrmAboutTest::startSysInfo_data()
{
    QTest::addColumn<QByteArray>("firstValue"); // null: no key
    QTest::addColumn<bool>("secondKey");        // "MSINFO" names a temporary folder
    QTest::addColumn<bool>("msinfoFileExists"); // MSINFO32.EXE in that folder
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QString>("started"); // "<folder>" stands for the temporary folder
    QTest::addColumn<bool>("message");

    QTest::newRow("first key, started unchanged") << QByteArray("/usr/bin/hardinfo\0", 18) << false
                                                  << false << true << "/usr/bin/hardinfo" << false;
    QTest::newRow("first key, start fails") << QByteArray("/usr/bin/hardinfo\0", 18) << false
                                            << false << false << "/usr/bin/hardinfo" << true;
    QTest::newRow("second key with MSINFO32.EXE")
        << QByteArray() << true << true << true << "<folder>/MSINFO32.EXE" << false;
    QTest::newRow("second key without the file")
        << QByteArray() << true << false << true << QString() << true;
    QTest::newRow("neither key") << QByteArray() << false << false << true << QString() << true;
}

void FrmAboutTest::startSysInfo()
{
    QFETCH(QByteArray, firstValue);
    QFETCH(bool, secondKey);
    QFETCH(bool, msinfoFileExists);
    QFETCH(bool, startWorks);
    QFETCH(QString, started);
    QFETCH(bool, message);

    QTemporaryDir folder;
    FakeRegistry registry;
    if (!firstValue.isNull())
        registry.keys[MsInfoKey]["PATH"] = {Registry::REG_SZ, firstValue};
    if (secondKey)
        registry.keys[SharedToolsKey]["MSINFO"] = {Registry::REG_SZ,
                                                   folder.path().toLocal8Bit() + '\0'};
    if (msinfoFileExists) {
        QFile exe(folder.filePath("MSINFO32.EXE"));
        QVERIFY(exe.open(QIODevice::WriteOnly));
    }
    FakeProcessStarter starter;
    starter.result = startWorks;
    FakeDialogs dialogs;
    Installed<Registry> r(registry);
    Installed<ProcessStarter> p(starter);
    Installed<Dialogs> d(dialogs);

    frmAbout *about = Forms::instance<frmAbout>();
    about->findChild<QPushButton *>("cmdSysInfo")->click();

    started.replace("<folder>", folder.path());
    QCOMPARE(starter.started, started.isNull() ? QStringList{} : QStringList{started});
    QCOMPARE(dialogs.calls, message ? QStringList{Unavailable} : QStringList{});
}

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
