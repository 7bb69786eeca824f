#include "common/appinfo.h"
#include "support/fakeregistry.h"
#include "support/session.h"

class FrmAboutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_session.emplace(); }
    void cleanup() { m_session.reset(); }
    void textsAndClosing()
    {
        const QString texts = "frmAbout=" + AppInfo::Title +
                              "のﾊﾞｰｼﾞｮﾝ情報;lblTitle=" + AppInfo::Title +
                              ";lblVersion=ﾊﾞｰｼﾞｮﾝ 2.0.8;cmdSysInfo=ｼｽﾃﾑ情報(&S)...;cmdOK=OK;"
                              "lblDescription=猫のKUOKUOがプラウザになって登場にゃあ！　　　　"
                              "画像ダウンロードMS-CHATの入室などできますにゃあ！";
        QCOMPARE(shownTexts(Forms::show<frmAbout>(), texts), texts);
        // cmdOK, Enter and Esc close the window, which is not modal.
        for (int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape)}) {
            QPointer<frmAbout> about = Forms::show<frmAbout>();
            QVERIFY(QTest::qWaitForWindowActive(about) && !about->isModal());
            key ? press(Qt::Key(key)) : click(about, "cmdOK");
            QTRY_VERIFY2(about.isNull(), qPrintable(QString::number(key)));
        }
    }
    void startSysInfo_data()
    {
        QTest::addColumn<QByteArray>("first"); // value PATH of the first key; null: none
        QTest::addColumn<QString>("second");   // a file in the second key's folder; null: no key
        QTest::addColumn<bool>("startWorks");
        QTest::addColumn<QString>("started"); // "<folder>": the second key's folder
        const auto row = [](const char *name, const QByteArray &first, const char *second,
                            bool works, const char *started) {
            QTest::newRow(name) << first << QString(second) << works << QString(started);
        };
        row("first key, started unchanged", QByteArray("/no/such/info\0", 14), "MSINFO32.EXE", true,
            "/no/such/info");
        row("first key, the start fails", "/usr/bin/info", nullptr, false, "/usr/bin/info");
        row("second key with MSINFO32.EXE", QByteArray(), "MSINFO32.EXE", true,
            "<folder>/MSINFO32.EXE");
        row("second key without it", QByteArray(), "msinfo32.exe", true, "");
    }
    void startSysInfo()
    {
        QFETCH(QByteArray, first);
        QFETCH(QString, second);
        QFETCH(QString, started);
        QTemporaryDir folder;
        FakeRegistry registry;
        Installed<Registry> installed(registry);
        if (!first.isNull())
            registry.values[Registry::MsInfoKey + "\\PATH"] = {Registry::REG_SZ, first};
        if (!second.isNull())
            registry.values[Registry::SharedToolsKey + "\\MSINFO"] = {Registry::REG_SZ,
                                                                      folder.path().toLocal8Bit()};
        QVERIFY(second.isNull() || QFile(folder.filePath(second)).open(QIODevice::WriteOnly));
        QFETCH(bool, startWorks);
        m_session->starter.result = startWorks;
        click(Forms::show<frmAbout>(), "cmdSysInfo");
        started.replace("<folder>", folder.path());
        QCOMPARE(m_session->starter.started.join(""), started);
        const bool told = started.isEmpty() || !startWorks;
        QCOMPARE(m_session->dialogs.calls.join(""),
                 told ? "message|KUOKUOナビ|現時点ではｼｽﾃﾑ情報を使用できません" : "");
    }

private:
    std::optional<TestSession> m_session;
};

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
