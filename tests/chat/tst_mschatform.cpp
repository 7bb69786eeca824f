#include "support/rows.h"
#include "support/session.h"

class MschatformTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_session.emplace(); }
    void cleanup() { m_session.reset(); }
    void opens()
    {
        m_session->host.hostName = "kuokuo-pc";
        m_session->host.ip = "192.168.10.7";
        QVERIFY(
            folder().write(FileNames::Servers, listFile(FileNames::Servers, {"irc.a", "irc.b"})));
        QVERIFY(folder().write(FileNames::Rooms, "[rmsheya.rtp]\r\n3\r\nshort\r\n\r\n"));
        const QString texts = QStringLiteral(
            "mschatform=MS-CHATでもするにゃあ;Label1=ホストコンピュータ名;Label2=IPアドレス;"
            "thostname=kuokuo-pc;tip=192.168.10.7;Label5=MS－CHAT接続;Label3=接続サイト名;"
            "Label4=接続部屋名;Command1=設定登録;Command2=設定削除;Command3=設定登録;Command4="
            "設定削除;"
            "touroku=MS-CHATに接続;Label6=ここからは#付の部屋は接続できないので、"
            "もし#付の部屋名だったら[&tafu]の部屋につながりますにゃあ！");
        QCOMPARE(shownTexts(open(), texts), texts);
        // Each list loads by itself and shows its first entry.
        QCOMPARE(items(combo("Combo1")).join('|') + "/" + combo("Combo1")->currentText(),
                 "irc.a|irc.b/irc.a");
        QCOMPARE(items(combo("Combo2")).join('|') + "/" + combo("Combo2")->currentText(), "/");
    }
    void buttons_data()
    {
        // name|the list before|the text typed|add or delete|the list after|the text after; lists
        // joined by ","
        rows({"add|srv,irc|ねこ|add|srv,irc,ねこ|ねこ", "add empty: still written|||add||",
              "add duplicate|srv,irc|irc|add|srv,irc|irc",
              "add the beginning of an entry|srv,irc.b|irc|add|srv,irc.b,irc|irc",
              "delete|srv,irc|srv|delete|irc|",
              "delete absent: still written|srv,irc|x|delete|srv,irc|x"});
    }
    void buttons()
    {
        const QStringList field = row();
        for (const bool rooms : {false, true}) { // the same rules hold for both lists
            const QString file = rooms ? FileNames::Rooms : FileNames::Servers;
            const char *box = rooms ? "Combo2" : "Combo1";
            const bool add = field[2] == "add";
            QVERIFY(field[0].isEmpty() ||
                    folder().write(file, listFile(file, field[0].split(','))));
            enter(box, field[1],
                  rooms ? (add ? "Command3" : "Command4") : (add ? "Command1" : "Command2"));
            QCOMPARE(items(combo(box)).join(',') + "|" + combo(box)->currentText(),
                     field[3] + "|" + field[4]);
            QCOMPARE(folder().read(file), listFile(file, field[3].split(',', Qt::SkipEmptyParts)));
            delete Forms::loaded<mschatform>();
        }
    }
    void the51stEntryIsNotWritten()
    {
        QStringList servers;
        for (int i = 1; i <= 51; ++i)
            servers << QStringLiteral("srv%1.example").arg(i);
        QVERIFY(
            folder().write(FileNames::Servers, listFile(FileNames::Servers, servers.mid(0, 49))));
        enter("Combo1", servers[49], "Command1");
        QCOMPARE(folder().read(FileNames::Servers),
                 listFile(FileNames::Servers, servers.mid(0, 50)));
        QVERIFY(!Forms::loaded<kuokuoform>());
        enter("Combo1", servers[50], "Command1");
        QCOMPARE(items(combo("Combo1")), servers); // shown for as long as the window is open
        QCOMPARE(folder().read(FileNames::Servers),
                 listFile(FileNames::Servers, servers.mid(0, 50)));
        QCOMPARE(shownLine(Forms::loaded<kuokuoform>()), 1); // the list is full
    }
    void refusedAndFailedSavesAreTold()
    {
        QVERIFY(folder().write(FileNames::Servers, listFile(FileNames::Servers, {"irc.a"})));
        enter("Combo1", "Zürich", "Command1");
        enter("Combo1", "irc.b", "Command1"); // it blocks nothing
        QCOMPARE(folder().read(FileNames::Servers),
                 listFile(FileNames::Servers, {"irc.a", "irc.b"}));
        QVERIFY(QDir(folder().path()).mkdir(FileNames::Rooms)); // no file can go there
        enter("Combo2", "lobby", "Command3");
        QCOMPARE(items(combo("Combo2")), QStringList{"lobby"});
        QCOMPARE(m_session->dialogs.calls.size(), 2); // the second: the list was not saved
        QCOMPARE(m_session->dialogs.calls.first(),
                 "message|KUOKUOナビ|「Zürich」には保存できない文字がはいってるから、"
                 "登録できないにゃあ。ほかの名前にしてにゃあ");
    }
    void connectOpensTheRoom()
    {
        QVERIFY(!Forms::instance<frmBrowser>()->isVisible());
        QVERIFY(typeInto(combo("Combo1"), QString()));
        enter("Combo2", " 猫&犬の部屋", "touroku"); // without a server, the cat says so
        QCOMPARE(shownLine(Forms::loaded<kuokuoform>()), 25);
        QVERIFY(m_session->launcher.launched.isEmpty());
        QPointer<mschatform> window = open();
        enter("Combo1", " チャット.example ", "touroku");
        // Read back from the navigator's box, the address reaches its handler exactly as built.
        const QString address = QStringLiteral("mic://チャット.example/猫&犬の部屋");
        QVERIFY(isOpen<frmBrowser>());
        QCOMPARE(Forms::loaded<frmBrowser>()->cboAddress()->currentText(), address);
        QCOMPARE(m_session->launcher.launched, QStringList{address});
        QVERIFY(m_session->engines.log.isEmpty()); // the engine shows no mic: page itself
        QTRY_VERIFY(window.isNull());
        QVERIFY(!folder().exists(FileNames::Servers) && !folder().exists(FileNames::Rooms));
    }

private:
    static mschatform *open() { return Forms::show<mschatform>(); }
    static QComboBox *combo(const char *name) { return open()->findChild<QComboBox *>(name); }
    // Types `text` into the list's box and presses the button.
    static void enter(const char *box, const QString &text, const char *button)
    {
        QVERIFY(typeInto(combo(box), text));
        click(open(), button);
    }
    TestProgramFolder &folder() { return m_session->folder; }

    std::optional<TestSession> m_session;
};

QTEST_MAIN(MschatformTest)
#include "tst_mschatform.moc"
