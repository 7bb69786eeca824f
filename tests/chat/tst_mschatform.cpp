#include "chat/mschatform.h"
#include "common/filenames.h"
#include "common/textfile.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "shell/frmbrowser.h"
#include "support/fakebrowser.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
QByteArray listBytes(const QString &name, const QStringList &entries)
{
    QByteArray bytes =
        "[" + name.toLatin1() + "]\r\n" + QByteArray::number(entries.size()) + "\r\n";
    for (const QString &entry : entries)
        bytes += entry.toUtf8() + "\r\n";
    return bytes + "\r\n";
}

QStringList numbered(int count)
{
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries << QStringLiteral("srv%1.example").arg(i);
    return entries;
}
} // namespace

class MschatformTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void look();
    void hostBoxes_data();
    void hostBoxes();
    void load_data();
    void load();
    void buttons_data();
    void buttons();
    void fiftyFirstEntryIsShownButNotWritten();
    void rewriteIsByteIdentical();
    void nameCp932CannotHoldIsRefused();
    void failedRewriteIsTold();
    void connectOpensTheRoom_data();
    void connectOpensTheRoom();
    void connectWithoutServer_data();
    void connectWithoutServer();

private:
    mschatform *open() { return Forms::instance<mschatform>(); }
    static QComboBox *combo(mschatform *w, const char *name)
    {
        return w->findChild<QComboBox *>(name);
    }
    static QStringList items(QComboBox *box)
    {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    }
    static void click(mschatform *w, const char *name)
    {
        w->findChild<QPushButton *>(name)->click();
    }

    std::unique_ptr<TestProgramFolder> m_folder;
    FakeHostInfo m_host;
    FakeDialogs m_dialogs;
    std::unique_ptr<Installed<HostInfo>> m_hostInstalled;
    std::unique_ptr<Installed<Dialogs>> m_dialogsInstalled;
};

void MschatformTest::init()
{
    m_folder = std::make_unique<TestProgramFolder>();
    m_folder->installMascotLines();
    m_host.hostName = "kuokuo-pc";
    m_host.ip = "192.168.10.7";
    m_hostInstalled = std::make_unique<Installed<HostInfo>>(m_host);
    m_dialogs = FakeDialogs();
    m_dialogsInstalled = std::make_unique<Installed<Dialogs>>(m_dialogs);
}

void MschatformTest::cleanup()
{
    delete Forms::loaded<mschatform>();
    delete Forms::loaded<kuokuoform>();
    m_hostInstalled.reset();
    m_dialogsInstalled.reset();
    m_folder.reset();
}

void MschatformTest::look()
{
    mschatform *w = open();
    QCOMPARE(w->windowTitle(), QStringLiteral("MS-CHATでもするにゃあ"));
    QLabel *label6 = w->findChild<QLabel *>("Label6");
    QCOMPARE(label6->text(),
             QStringLiteral("ここからは#付の部屋は接続できないので、もし#付の部屋名だったら[&tafu]"
                            "の部屋につながりますにゃあ！"));
    QCOMPARE(label6->textFormat(), Qt::PlainText);
    QLabel *label5 = w->findChild<QLabel *>("Label5");
    QCOMPARE(label5->text(), QStringLiteral("MS－CHAT接続"));
    QVERIFY(label5->font().bold());
    QCOMPARE(label5->font().pointSize(), 18);
    QCOMPARE(w->findChild<QLabel *>("Label3")->text(), QStringLiteral("接続サイト名"));
    QCOMPARE(w->findChild<QLabel *>("Label4")->text(), QStringLiteral("接続部屋名"));
    QCOMPARE(w->findChild<QLabel *>("Label1")->text(), QStringLiteral("ホストコンピュータ名"));
    QCOMPARE(w->findChild<QLabel *>("Label2")->text(), QStringLiteral("IPアドレス"));
    QCOMPARE(w->findChild<QPushButton *>("touroku")->text(), QStringLiteral("MS-CHATに接続"));
    for (const char *name : {"Command1", "Command3"})
        QCOMPARE(w->findChild<QPushButton *>(name)->text(), QStringLiteral("設定登録"));
    for (const char *name : {"Command2", "Command4"})
        QCOMPARE(w->findChild<QPushButton *>(name)->text(), QStringLiteral("設定削除"));

    const QColor panel(255, 255, 192);
    QCOMPARE(w->findChild<QFrame *>("Shape1")->palette().color(QPalette::Window), panel);
    for (const char *name : {"Label3", "Label4", "Label5"})
        QCOMPARE(w->findChild<QLabel *>(name)->palette().color(QPalette::Window), panel);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    for (const char *name : {"Command1", "Command2", "Command3", "Command4", "touroku"}) {
        QPushButton *button = w->findChild<QPushButton *>(name);
        const QImage image = button->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, 3), QColor(255, 255, 128));
    }

    // The keyboard focus order.
    const QStringList order = {"thostname", "tip",      "touroku",  "Combo2",  "Combo1",
                               "Command1",  "Command2", "Command3", "Command4"};
    QWidget *widget = w->findChild<QWidget *>(order.first());
    for (int i = 1; i < order.size(); ++i) {
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->focusProxy() ||
               widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
        QCOMPARE(widget->objectName(), order.at(i));
    }
    QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void MschatformTest::hostBoxes_data()
{
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<QString>("ip");
    QTest::newRow("known") << "kuokuo-pc"
                           << "192.168.10.7";
    QTest::newRow("system cannot tell") << ""
                                        << "";
}

void MschatformTest::hostBoxes()
{
    QFETCH(QString, hostName);
    QFETCH(QString, ip);
    m_host.hostName = hostName;
    m_host.ip = ip;
    QVERIFY(m_folder->write(FileNames::Servers, listBytes("rmssaaba.rtp", {"a"})));
    mschatform *w = open();
    QCOMPARE(w->findChild<QLineEdit *>("thostname")->text(), hostName);
    QCOMPARE(w->findChild<QLineEdit *>("tip")->text(), ip);
    QCOMPARE(items(combo(w, "Combo1")), QStringList{"a"}); // the lists load all the same
}

void MschatformTest::load_data()
{
    QTest::addColumn<QByteArray>("servers"); // null: no file
    QTest::addColumn<QByteArray>("rooms");
    QTest::addColumn<QStringList>("serverList");
    QTest::addColumn<QStringList>("roomList");

    const QByteArray twoRooms = listBytes("rmsheya.rtp", {"lobby", "猫の部屋"});
    QTest::newRow("both lists, first entries selected")
        << listBytes("rmssaaba.rtp", {"irc.a", "irc.b"}) << twoRooms
        << QStringList{"irc.a", "irc.b"} << QStringList{"lobby", "猫の部屋"};
    QTest::newRow("missing server file")
        << QByteArray() << twoRooms << QStringList{} << QStringList{"lobby", "猫の部屋"};
    QTest::newRow("short server file")
        << QByteArray("[rmssaaba.rtp]\r\n3\r\na\r\nb\r\n") << twoRooms << QStringList{}
        << QStringList{"lobby", "猫の部屋"};
    QTest::newRow("count of 0") << QByteArray("[rmssaaba.rtp]\r\n0\r\nstray\r\n\r\n") << twoRooms
                                << QStringList{} << QStringList{"lobby", "猫の部屋"};
    QTest::newRow("count above 50") << listBytes("rmssaaba.rtp", numbered(51)) << twoRooms
                                    << QStringList{} << QStringList{"lobby", "猫の部屋"};
    QTest::newRow("50 entries") << listBytes("rmssaaba.rtp", numbered(50)) << QByteArray()
                                << numbered(50) << QStringList{};
}

void MschatformTest::load()
{
    QFETCH(QByteArray, servers);
    QFETCH(QByteArray, rooms);
    QFETCH(QStringList, serverList);
    QFETCH(QStringList, roomList);
    // Write in CP932, as the program does.
    if (!servers.isNull())
        QVERIFY(m_folder->write(FileNames::Servers, *encodeCp932(QString::fromUtf8(servers))));
    if (!rooms.isNull())
        QVERIFY(m_folder->write(FileNames::Rooms, *encodeCp932(QString::fromUtf8(rooms))));
    mschatform *w = open();
    QCOMPARE(items(combo(w, "Combo1")), serverList);
    QCOMPARE(items(combo(w, "Combo2")), roomList);
    QCOMPARE(combo(w, "Combo1")->currentText(), serverList.value(0));
    QCOMPARE(combo(w, "Combo2")->currentText(), roomList.value(0));
}

void MschatformTest::buttons_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("textAfter");

    const QStringList two{"srv", "irc"};
    QTest::newRow("add") << two << "new"
                         << "Command1" << QStringList{"srv", "irc", "new"} << "new";
    QTest::newRow("add empty") << two << ""
                               << "Command1" << two << "";
    QTest::newRow("add duplicate") << two << "srv"
                                   << "Command1" << two << "srv";
    QTest::newRow("add case-different") << two << "SRV"
                                        << "Command1" << QStringList{"srv", "irc", "SRV"} << "SRV";
    QTest::newRow("add space-different")
        << two << " srv"
        << "Command1" << QStringList{"srv", "irc", " srv"} << " srv";
    QTest::newRow("delete") << two << "irc"
                            << "Command2" << QStringList{"srv"} << "";
    QTest::newRow("delete first of two equal") << QStringList{"a", "b", "a"} << "a"
                                               << "Command2" << QStringList{"b", "a"} << "";
    QTest::newRow("delete absent") << two << "none"
                                   << "Command2" << two << "none";
    QTest::newRow("delete the last entry") << QStringList{"only"} << "only"
                                           << "Command2" << QStringList{} << "";
    QTest::newRow("delete in empty list") << QStringList{} << "x"
                                          << "Command2" << QStringList{} << "x";
    QTest::newRow("add to a missing file") << QStringList{} << ""
                                           << "Command1" << QStringList{} << "";
}

void MschatformTest::buttons()
{
    QFETCH(QStringList, before);
    QFETCH(QString, text);
    QFETCH(QString, button);
    QFETCH(QStringList, after);
    QFETCH(QString, textAfter);

    // The same rules hold for both lists: run them on the servers and, renamed, on the rooms.
    for (const bool rooms : {false, true}) {
        const QString file = rooms ? FileNames::Rooms : FileNames::Servers;
        const QString marker = rooms ? "rmsheya.rtp" : "rmssaaba.rtp";
        const char *box = rooms ? "Combo2" : "Combo1";
        QString pressed = button;
        if (rooms)
            pressed = button == "Command1" ? "Command3" : "Command4";
        QFile::remove(m_folder->file(file));
        if (!before.isEmpty())
            QVERIFY(m_folder->write(file, listBytes(marker, before)));
        mschatform *w = open();
        combo(w, box)->setEditText(text);
        click(w, pressed.toLatin1().constData());
        QCOMPARE(items(combo(w, box)), after);
        QCOMPARE(combo(w, box)->currentText(), textAfter);
        // Rewritten after every click, also when nothing changed (and created when missing).
        QCOMPARE(m_folder->read(file), listBytes(marker, after));
        delete w;
    }
}

void MschatformTest::fiftyFirstEntryIsShownButNotWritten()
{
    const QByteArray fifty = listBytes("rmssaaba.rtp", numbered(50));
    QVERIFY(m_folder->write(FileNames::Servers, fifty));
    mschatform *w = open();
    combo(w, "Combo1")->setEditText("srv51.example");
    click(w, "Command1");
    QCOMPARE(combo(w, "Combo1")->count(), 51);
    QCOMPARE(combo(w, "Combo1")->itemText(50), QString("srv51.example"));
    QCOMPARE(m_folder->read(FileNames::Servers), fifty);
    QVERIFY(Forms::loaded<kuokuoform>());
    QCOMPARE(Forms::loaded<kuokuoform>()->shownLine(), qint16(1));

    delete w; // closing and opening again shows the 50 entries of the file
    QCOMPARE(items(combo(open(), "Combo1")), numbered(50));
}

void MschatformTest::rewriteIsByteIdentical()
{
    const QByteArray rooms =
        *encodeCp932(QString::fromUtf8(listBytes("rmsheya.rtp", {"ロビー", "ｶﾅ～①", " spaced "})));
    QVERIFY(m_folder->write(FileNames::Rooms, rooms));
    mschatform *w = open();
    w->rtmwriteheya();
    QCOMPARE(m_folder->read(FileNames::Rooms), rooms);
    combo(w, "Combo2")->setEditText("absent");
    click(w, "Command4");
    QCOMPARE(m_folder->read(FileNames::Rooms), rooms);
}

void MschatformTest::nameCp932CannotHoldIsRefused()
{
    const QByteArray servers = listBytes("rmssaaba.rtp", {"irc.a"});
    QVERIFY(m_folder->write(FileNames::Servers, servers));
    mschatform *w = open();
    combo(w, "Combo1")->setEditText(QStringLiteral("Zürich"));
    click(w, "Command1");
    QCOMPARE(items(combo(w, "Combo1")), QStringList{"irc.a"});
    QCOMPARE(m_folder->read(FileNames::Servers), servers);
    QCOMPARE(m_dialogs.calls, QStringList{"message|KUOKUOナビ|「Zürich」には保存できない文字が"
                                          "はいってるから、登録できないにゃあ。ほかの名前に"
                                          "してにゃあ"});
    // It blocks nothing: the next name is saved.
    combo(w, "Combo1")->setEditText(QStringLiteral("irc.b"));
    click(w, "Command1");
    QCOMPARE(m_folder->read(FileNames::Servers), listBytes("rmssaaba.rtp", {"irc.a", "irc.b"}));
}

void MschatformTest::failedRewriteIsTold()
{
    QVERIFY(QDir(m_folder->path()).mkdir(FileNames::Rooms)); // stands where the file goes
    mschatform *w = open();
    combo(w, "Combo2")->setEditText(QStringLiteral("lobby"));
    click(w, "Command3");
    QCOMPARE(items(combo(w, "Combo2")), QStringList{"lobby"});
    QCOMPARE(m_dialogs.calls.size(), 1);
    QVERIFY(m_dialogs.calls.first().startsWith("message|KUOKUOナビ|リストをファイルに保存"));
}

void MschatformTest::connectOpensTheRoom_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("address");

    QTest::newRow("spaces around the server") << " srv "
                                              << "lobby"
                                              << "mic://srv/lobby";
    QTest::newRow("# room") << "srv"
                            << "#lobby"
                            << "mic://srv/&tafu";
    QTest::newRow("empty room") << "srv"
                                << ""
                                << "mic://srv/&tafu";
    QTest::newRow("space before #") << "srv"
                                    << " #lobby"
                                    << "mic://srv/#lobby";
    QTest::newRow("server of spaces") << "  "
                                      << "room"
                                      << "mic:///room";
    QTest::newRow("japanese and & unescaped")
        << QStringLiteral("チャット.example") << QStringLiteral(" 猫&犬の部屋 ")
        << QStringLiteral("mic://チャット.example/猫&犬の部屋");
}

void MschatformTest::connectOpensTheRoom()
{
    QFETCH(QString, server);
    QFETCH(QString, room);
    QFETCH(QString, address);
    FakeBrowserEngines engines;
    FakeSchemeLauncher launcher;
    Installed<BrowserEngineFactory> installedEngines(engines);
    Installed<SchemeLauncher> installedLauncher(launcher);
    QPointer<frmBrowser> browser = Forms::instance<frmBrowser>();
    QVERIFY(!browser->isVisible());

    QPointer<mschatform> w = open();
    w->show();
    combo(w, "Combo1")->setEditText(server);
    combo(w, "Combo2")->setEditText(room);
    click(w, "touroku");

    // The address box holds the address, the navigator is shown, and what it navigated to was
    // read back from the box: the mic: address reaches its handler exactly as built.
    QCOMPARE(browser->cboAddress()->currentText(), address);
    QVERIFY(browser->isVisible());
    QCOMPARE(launcher.launched, QStringList{address});
    QVERIFY(engines.latest->calls.isEmpty()); // the engine itself shows no mic: page
    QTRY_VERIFY(w.isNull());                  // the chat window is unloaded
    QVERIFY(!Forms::loaded<kuokuoform>());
    // No list was changed or written.
    QVERIFY(!m_folder->exists(FileNames::Servers));
    QVERIFY(!m_folder->exists(FileNames::Rooms));
    delete browser;
}

void MschatformTest::connectWithoutServer_data()
{
    QTest::addColumn<QString>("room");
    QTest::newRow("with a room") << "lobby";
    QTest::newRow("without a room") << "";
    QTest::newRow("# room") << "#lobby";
}

void MschatformTest::connectWithoutServer()
{
    QFETCH(QString, room);
    FakeBrowserEngines engines;
    FakeSchemeLauncher launcher;
    Installed<BrowserEngineFactory> installedEngines(engines);
    Installed<SchemeLauncher> installedLauncher(launcher);
    frmBrowser *browser = Forms::instance<frmBrowser>();
    browser->cboAddress()->setEditText("http://127.0.0.1/before");

    mschatform *w = open();
    w->show();
    combo(w, "Combo1")->setEditText(QString());
    combo(w, "Combo2")->setEditText(room);
    click(w, "touroku");

    QCOMPARE(Forms::loaded<kuokuoform>()->shownLine(), qint16(25));
    QCOMPARE(Forms::loaded<mschatform>(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(combo(w, "Combo2")->currentText(), room);
    QVERIFY(launcher.launched.isEmpty());
    QVERIFY(engines.latest->calls.isEmpty());
    QCOMPARE(browser->cboAddress()->currentText(), QString("http://127.0.0.1/before"));
    delete browser;
}

QTEST_MAIN(MschatformTest)
#include "tst_mschatform.moc"
