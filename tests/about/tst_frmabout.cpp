#include "common/appinfo.h"
#include "platform/linuxregistry.h"
#include "support/rows.h"
#include "support/session.h"

// The version window, and the system-information program it starts: found on PATH through the
// registry as Linux answers it.
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
        QPointer<frmAbout> about = Forms::show<frmAbout>();
        QCOMPARE(shownTexts(about, texts), texts);
        click(about, "cmdOK");
        QTRY_VERIFY(about.isNull());
    }
    void startSysInfo_data()
    {
        // name|the program found on PATH (none: empty)|whether it starts
        rows({"found|hardinfo2|1", "found, but it does not start|gnome-system-monitor|0",
              "none on PATH||1"});
    }
    void startSysInfo()
    {
        const QString onPath = row()[0];
        const bool startWorks = row()[1] == "1";
        LinuxRegistry registry(
            [&](const QString &name) { return name == onPath ? "/usr/bin/" + name : QString(); });
        Installed<Registry> installed(registry);
        m_session->starter.result = startWorks;
        click(Forms::show<frmAbout>(), "cmdSysInfo");
        QCOMPARE(m_session->starter.started.join(""), onPath.isEmpty() ? "" : "/usr/bin/" + onPath);
        QCOMPARE(m_session->dialogs.calls.join(""),
                 onPath.isEmpty() || !startWorks
                     ? "message|KUOKUOナビ|現時点ではｼｽﾃﾑ情報を使用できません"
                     : "");
    }

private:
    std::optional<TestSession> m_session;
};

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
