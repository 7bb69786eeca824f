#include "download/mainform.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "platform/inet.h"
#include "support/fakes.h"
#include "support/httpserver.h"
#include "support/rows.h"
#include "support/testfolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QStatusBar>

using namespace kuokuo;
using namespace kuokuo::test;

// The download window as the user drives it; what the engine does with the transfers is
// tst_downloadengine's.
class MainFormTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void texts();
    void series_data();
    void series();
    void oneRunAsTheUserSeesIt();
    void clickDuringARun_data();
    void clickDuringARun();
    void probe_data();
    void probe();

private:
    QWidget *control(const QString &name) const { return form->findChild<QWidget *>(name); }
    QString text(const QString &name) const { return control(name)->property("text").toString(); }
    void click(const QString &name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    // Clicks into a box and types `text` over what it holds.
    void type(const QString &name, const QString &text)
    {
        click(name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void startSeries(const QString &pattern, const QString &first = "1",
                     const QString &last = "100")
    {
        type("TURL", server.url("/s/"));
        type("TFile", pattern);
        type("TInit", first);
        type("TLast", last);
        click("CGet");
    }
    // What the user sees: the files saved, the frames and CGet shown, the cat's line.
    QString seen() const
    {
        QStringList shown;
        for (const QString name : {"Frame1", "Frame2", "CGet"})
            shown << (control(name)->isHidden() ? QString() : name);
        const kuokuoform *cat = Forms::loaded<kuokuoform>();
        return QDir(folder->path()).entryList(QDir::Files).join(',') + "|" +
               shown.join(' ').simplified() + "|" + QString::number(cat ? cat->shownLine() : 0);
    }

    HttpServer server;
    TestProgramFolder program;
    std::unique_ptr<QTemporaryDir> folder;
    MainForm *form = nullptr;
    QStringList statusLine; // every text SB showed
};

void MainFormTest::initTestCase()
{
    program.installMascotLines();
    Inet::setTimeout(std::chrono::seconds(1));
    for (const char *name :
         {"a001", "a002", "a003", "a004", "a005", "n32767", "pic00", "pic01", "pic02", "pic03"})
        server.generated(QStringLiteral("/s/%1.jpg").arg(name), 4000);
    server.file("/s/p.html", "<img src=pic01.jpg>", "text/html");
}

void MainFormTest::init()
{
    folder = std::make_unique<QTemporaryDir>();
    form = Forms::instance<MainForm>(folder->path());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    statusLine.clear();
    connect(form->findChild<QStatusBar *>("SB"), &QStatusBar::messageChanged, form,
            [this](const QString &text) { statusLine << text; });
}

void MainFormTest::cleanup()
{
    delete Forms::loaded<MainForm>();
    delete Forms::loaded<kuokuoform>();
}

// The caption, the controls' texts and tips, and the status texts, exact; CClose1 closes.
void MainFormTest::texts()
{
    QStringList shown{form->windowTitle()};
    for (const char *name : {"Frame2", "Label1", "TURL2",  "CGet2",  "CAbort1", "CClose1", "Frame1",
                             "TURL",   "Label2", "TFile",  "Label3", "TInit",   "Label4",  "TLast",
                             "CGet",   "CAbort", "CClose", "Drive",  "Dir",     "File"})
        shown << text(name) + control(name)->property("title").toString() + "/" +
                     control(name)->toolTip();
    for (int state : {1, 2, 3, 4, 5, 6, 7, 8, 11, 12}) // the states a transfer reports
        shown << *MainForm::stateText(state);
    QCOMPARE(shown.join('|'),
             "画像ファイルの取得|HTMLからの画像の抽出にゃあ/|"
             "URL(ex.: http://www.example.com/gazou/)/|http://www./画像を読み込むURLですにゃあ|"
             "読込/|中止/|閉じる/|連番画像ファイルの取得にゃあ/|"
             "http://www./ダウンロードするURLですにゃあ|ファイル名(ex.: jpggif???.jpg)/|"
             "/ダウンロードする連番ファイルの名前をいれますにゃあ。"
             "ダブルクリックすると自動的に？マークの付いたファイル名にしますにゃあ|"
             "???の初期値/|1/連番ファイルの初期値ですにゃあ|"
             "???の終り値/|100/連番ファイルの最終値ですにゃあ|読込/|中止/|閉じる/|"
             "/ドライブですにゃあ|/ダウンロードする場所を選びますにゃあ|"
             "/フォルダの中にあるファイル名ですにゃあ|"
             "指定されたホスト コンピュータの IP アドレスを調べていますにゃあ。|"
             "指定されたホスト コンピュータの IP アドレスを見つけましたにゃあ。|"
             "ホスト コンピュータとの接続処理を行っていますにゃあ。|"
             "ホスト コンピュータと正常に接続しましたにゃあ。|"
             "ホスト コンピュータに要求を送信していますにゃあ。|要求を正常に送信しましたにゃあ。|"
             "ホスト コンピュータからの応答を受信していますにゃあ。|"
             "ホスト コンピュータからの応答を正常に受信しましたにゃあ。おわりにゃあ|"
             "コンピュータとの通信中にエラーが発生しましたにゃあ。|"
             "要求処理が完了し、すべてのデータが受信されましたにゃあ。");
    click("CClose1");
    QTRY_VERIFY(!Forms::loaded<MainForm>());
}

void MainFormTest::series_data()
{
    // name|TFile|TInit|TLast|seen afterwards
    rows({"no pattern||1|3||Frame1 CGet|18", "no placeholder|a001.jpg|1|3||Frame1 CGet|18",
          "half to even|a???.jpg|2.5|2.5|a002.jpg|Frame1 CGet|0",
          "an exponent is no number|a???.jpg|1|3e0||Frame1 CGet|0",
          "32767|n?????.jpg|32767|32767|n32767.jpg|Frame1 CGet|23"});
}

void MainFormTest::series()
{
    startSeries(row()[0], row()[1], row()[2]);
    QCOMPARE(seen(), row().mid(3).join('|'));
}

// A double-click makes a pattern of a name only; Enter in TURL starts the run; the status line
// shows each transfer's states in order, TFile the names as they come, the progress bar how far
// the run has come, the file list the files.
void MainFormTest::oneRunAsTheUserSeesIt()
{
    type("TFile", "a1b");
    QTest::mouseDClick(control("TFile"), Qt::LeftButton);
    QCOMPARE(seen() + text("TFile"), "|Frame1 Frame2 CGet|13a1b");
    type("TFile", "a001.jpg");
    QTest::mouseDClick(control("TFile"), Qt::LeftButton);
    type("TURL", server.url("/s/"));
    QStringList names;
    connect(qobject_cast<QLineEdit *>(control("TFile")), &QLineEdit::textChanged, form,
            [&](const QString &text) { names << text; });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(seen(), "a001.jpg,a002.jpg,a003.jpg,a004.jpg,a005.jpg|Frame1 CGet|11");
    QCOMPARE(names.join(' '), "a001.jpg a002.jpg a003.jpg a004.jpg a005.jpg a006.jpg");
    QStringList states;
    for (int state : {1, 2, 3, 4, 5, 6, 7, 8, 12, 1})
        states << *MainForm::stateText(state);
    QCOMPARE(statusLine.mid(0, 10), states);
    QCOMPARE(statusLine.last(), *MainForm::stateText(12));
    const auto *bar = form->findChild<QProgressBar *>("ProgressBar1");
    QCOMPARE(QString("%1 of %2").arg(bar->value()).arg(bar->maximum()), "6 of 100");
    QCOMPARE(form->findChild<QListWidget *>("File")->count(), 5);
}

void MainFormTest::clickDuringARun_data()
{
    // name|buttons clicked while the second file arrives|seen afterwards
    rows({"abort|CGet CAbort|a001.jpg,a002.jpg|Frame1 Frame2 CGet|0",
          "close|CClose|a001.jpg|Frame1 CGet|0"});
}

// An abort lets the current number finish and ends the run before the next one, a start button
// does nothing meanwhile, and the window runs again afterwards; a closed window goes once the
// run has unwound, and a new one starts from its design.
void MainFormTest::clickDuringARun()
{
    const QPointer<MainForm> window = form;
    int transfers = 0;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, form, [&](qint16 state) {
        transfers += state == Inet::icResolvingHost;
        for (const QString &button : row()[0].split(' '))
            if (state == Inet::icReceivingResponse && transfers == 2)
                click(button);
    });
    startSeries("a???.jpg");
    QCOMPARE(seen(), row().mid(1).join('|'));
    if (row()[0] == "CClose") {
        QTRY_VERIFY(!window);
        form = Forms::instance<MainForm>(folder->path());
        QCOMPARE(text("TURL"), "http://www.");
        return;
    }
    QTest::mouseDClick(control("TFile"), Qt::LeftButton); // a002.jpg becomes a pattern again
    click("CGet");
    QCOMPARE(seen(), "a001.jpg,a002.jpg,a003.jpg,a004.jpg,a005.jpg|Frame1 CGet|11");
}

void MainFormTest::probe_data()
{
    // name|the answers to the question and to the input boxes|TInit afterwards|seen afterwards
    rows({"no|No|1|pic01.jpg|Frame2 CGet|0",
          "spaces around|Yes; 2 |2|pic01.jpg,pic02.jpg,pic03.jpg|Frame1|11",
          "asks again|Yes;1001;word;;3|3|pic01.jpg,pic03.jpg|Frame1|11",
          "to the last number|Yes;1000|1000|pic00.jpg,pic01.jpg|Frame1 Frame2 CGet|0"});
}

// CGet2, or Enter in TURL2, saves the page's images; a numbered one is asked about, with the
// dialogs' exact texts, before it is saved; CAbort1 brings the series frame back.
void MainFormTest::probe()
{
    FakeDialogs dialogs;
    const Installed<Dialogs> installed(dialogs);
    QStringList answers = row()[0].split(';');
    dialogs.yesNoAnswers << (answers.takeFirst() == "Yes" ? Dialogs::Answer::Yes
                                                          : Dialogs::Answer::No);
    dialogs.inputAnswers.append(answers);
    type("TURL2", server.url("/s/p.html"));
    if (answers.isEmpty())
        click("CGet2");
    else
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);

    QStringList asked{"beep",
                      "question|連番ファイルを探してみるかにゃあ？|pic01.jpgが連番のファイル"
                      "の可能性がありますにゃあ！\r隠れたファイルを探してみますかにゃあ？"};
    for (qsizetype i = 0; i < answers.size(); ++i)
        asked << "input|元ファイルpic01.jpgの隠された連番を探してみる|" +
                     QString(i ? "入力されたデータが1000以上かまたは数字じゃありませんでしたにゃあ"
                                 "\r\nもう一度数字を入力にゃあ\r\npic??.jpg\r\nの?"
                                 "の部分に入れる数字の初期値を入力してにゃあ"
                               : "pic??.jpg\r\nの ? "
                                 "の部分に入れる1000以下の数字の初期値を入力してにゃあ") +
                     "|1";
    QCOMPARE(dialogs.calls, asked);
    QCOMPARE(text("TInit") + "|" + seen(), row().mid(1).join('|'));
    QCOMPARE(statusLine.last(), "終了にゃあ．");
    click("CAbort1");
    QVERIFY(seen().contains("|Frame1 ") && seen().contains(" CGet|"));
}

QTEST_MAIN(MainFormTest)
#include "tst_mainform.moc"
