#include "download/mainform.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "platform/inet.h"
#include "support/httpserver.h"
#include "support/rows.h"
#include "support/session.h"

#include <QStatusBar>

using namespace kuokuo;
using namespace kuokuo::test;
using namespace std::chrono_literals;

// The download window as the user drives it; what the engine does with the transfers is
// tst_downloadengine's.
class MainFormTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        program.installMascotLines();
        Inet::setTimeout(std::chrono::seconds(1));
        for (const QString &name :
             QString("a001 a002 a003 a004 a005 pic00 pic01 pic02 pic03").split(' '))
            server.generated("/s/" + name + ".jpg", 4000);
        server.file("/s/p.html", "<img src=pic01.jpg><img src=gone.gif>", "text/html");
        // Busy for a minute, unless the user ends the wait.
        server.reply("/s/b001.jpg",
                     {503, 9, {}, -1, "text/plain", false, {}, {}, {}, "Retry-After: 60", {}});
    }
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        form = Forms::instance<MainForm>(folder->path());
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    void cleanup()
    {
        delete Forms::loaded<MainForm>();
        delete Forms::loaded<kuokuoform>();
    }
    void texts();
    void series();
    void probe_data()
    {
        // name|the answers to the question and to the input boxes|TInit afterwards|seen afterwards
        rows({"no|No|1|pic01.jpg|Frame2 CGet|0",
              "spaces around|Yes; 2 |2|pic01.jpg,pic02.jpg,pic03.jpg|Frame1|11",
              "asks again, up to the last number|Yes;1001;word;;1000|1000|pic00.jpg,pic01.jpg|"
              "Frame1 Frame2 CGet|0"});
    }
    void probe();

private:
    QWidget *control(const QString &name) const { return named<QWidget>(form, qPrintable(name)); }
    QString text(const QString &name, const char *property = "text") const
    {
        return control(name) ? control(name)->property(property).toString() : QString();
    }
    QString status() const
    {
        const auto *bar = named<QStatusBar>(form, "SB");
        return bar ? bar->currentMessage() : QString();
    }
    // A click brings the window to the front first, as the window system does.
    void click(const QString &name)
    {
        form->activateWindow();
        if (QWidget *button = control(name))
            QTest::mouseClick(button, Qt::LeftButton);
    }
    void type(const QString &name, const QString &text) { QVERIFY(typeInto(control(name), text)); }
    // Clicks `buttons` while the second file from now on arrives.
    void clickDuringTheSecondFile(const QStringList &buttons)
    {
        connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, form,
                [this, buttons, transfers = 0](qint16 state) mutable {
                    transfers += state == Inet::icResolvingHost;
                    for (const QString &button : buttons)
                        if (state == Inet::icReceivingResponse && transfers == 2)
                            click(button);
                });
    }
    // What the user sees: the files saved, the frames and CGet shown, the cat's line.
    QString seen() const
    {
        QStringList shown;
        for (const QString name : {"Frame1", "Frame2", "CGet"})
            shown << (control(name) && control(name)->isHidden() ? QString() : name);
        const kuokuoform *cat = Forms::loaded<kuokuoform>();
        return QDir(folder->path()).entryList(QDir::Files).join(',') + "|" +
               shown.join(' ').simplified() + "|" + QString::number(cat ? cat->shownLine() : 0);
    }

    HttpServer server;
    TestProgramFolder program;
    std::unique_ptr<QTemporaryDir> folder;
    MainForm *form = nullptr;
};

// The caption, the controls' texts and the status texts, exact.
void MainFormTest::texts()
{
    QStringList shown{form->windowTitle()};
    for (const char *name : {"Frame2", "Label1", "TURL2", "CGet2", "CAbort1", "CClose1", "Frame1",
                             "Label2", "TFile", "Label3", "TInit", "Label4", "TLast"})
        shown << text(name) + text(name, "title");
    // The states a transfer reports, each whole on the status line beside the progress bar, and
    // in its tip.
    auto *bar = form->findChild<QStatusBar *>("SB");
    const int room = form->findChild<QWidget *>("ProgressBar1")->x() - 8; // QStatusBar's margins
    for (int state : {1, 2, 3, 4, 5, 6, 7, 8, 11, 12}) {
        bar->showMessage(*MainForm::stateText(state));
        shown << status();
        QVERIFY2(bar->fontMetrics().horizontalAdvance(status()) <= room &&
                     bar->toolTip() == status(),
                 qPrintable(status()));
    }
    QCOMPARE(
        shown.join('|'),
        "画像ファイルの取得|HTMLからの画像の抽出にゃあ|URL(ex.: http://www.example.com/gazou/)|"
        "http://www.|読込|中止|閉じる|連番画像ファイルの取得にゃあ|"
        "ファイル名(ex.: jpggif???.jpg)||???の初期値|1|???の終り値|100|"
        "指定されたホスト コンピュータの IP アドレスを調べていますにゃあ。|"
        "指定されたホスト コンピュータの IP アドレスを見つけましたにゃあ。|"
        "ホスト コンピュータとの接続処理を行っていますにゃあ。|"
        "ホスト コンピュータと正常に接続しましたにゃあ。|"
        "ホスト コンピュータに要求を送信していますにゃあ。|要求を正常に送信しましたにゃあ。|"
        "ホスト コンピュータからの応答を受信していますにゃあ。|"
        "ホスト コンピュータからの応答を正常に受信しましたにゃあ。おわりにゃあ|"
        "コンピュータとの通信中にエラーが発生しましたにゃあ。|"
        "要求処理が完了し、すべてのデータが受信されましたにゃあ。");
}

// A pattern that is no plain file name is refused by the cat, and nothing is written. A
// double-click makes a pattern of a name. An abort lets the current number finish and ends the run
// before the next one, and a start button does nothing meanwhile. The user starts again with Enter
// in TURL: the run hides the upper frame, starts at TInit rounded half to even and ends at the
// first missing file, with TFile showing its name and the status line why it is missing. A window
// closed while a slow server holds a file ends the run at once and quietly, leaving no part behind,
// and goes once the run has unwound; the abort button and the close end a wait for a busy server at
// once; a new one starts from its design.
void MainFormTest::series()
{
    type("TURL", server.url("/s/"));
    type("TFile", "../a???.jpg");
    click("CGet");
    QCOMPARE(seen() + "|" + status(),
             "|Frame1 CGet|13|「../a???.jpg」はファイル名に使えないにゃあ。"
             "フォルダーの外には保存しないにゃあ");
    QCOMPARE(QDir(folder->path() + "/..").entryList({"a00*.jpg"}), QStringList());
    delete Forms::loaded<kuokuoform>();

    clickDuringTheSecondFile({"CGet", "CAbort"});
    type("TFile", "a002.jpg");
    type("TInit", "2.5");
    QTest::mouseDClick(control("TFile"), Qt::LeftButton);
    click("CGet");
    QCOMPARE(seen(), "a002.jpg,a003.jpg|Frame1 Frame2 CGet|0");

    QTest::mouseDClick(control("TFile"), Qt::LeftButton);
    click("TURL");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(seen() + "|" + text("TFile"),
             "a002.jpg,a003.jpg,a004.jpg,a005.jpg|Frame1 CGet|11|a006.jpg");
    QCOMPARE(status(), "a006.jpg はサーバーにことわられたにゃあ（404 Not Found）");

    const QPointer<MainForm> window = form;
    server.reply("/s/a003.jpg",
                 {200, 4000, {}, -1, "image/jpeg", false, {}, 5ms, {}, {}, {}}); // held 20 s
    delete Forms::loaded<kuokuoform>();
    clickDuringTheSecondFile({"CClose"});
    QTest::mouseDClick(control("TFile"), Qt::LeftButton);
    const QDeadlineTimer soon(5000);
    click("CGet");
    QVERIFY2(!soon.hasExpired(), "the run waited for the held file");
    QTRY_VERIFY(!window);
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden).join(',') + "|" +
                 words(Forms::loaded<kuokuoform>()),
             "a002.jpg,a003.jpg,a004.jpg,a005.jpg|");
    form = Forms::instance<MainForm>(folder->path());
    QCOMPARE(text("TURL"), "http://www.");
    type("TURL", server.url("/s/"));
    type("TFile", "b???.jpg");
    QStringList buttons{"CAbort", "CClose"}; // one for each wait
    connect(form->findChild<QStatusBar *>("SB"), &QStatusBar::messageChanged, form,
            [&](const QString &text) {
                if (text.startsWith("サーバーがいそがしいから 60 秒まって"))
                    click(buttons.takeFirst());
            });
    const QPointer<MainForm> waiting = form;
    const QDeadlineTimer sooner(5000);
    click("CGet");
    click("CGet");
    QVERIFY2(!sooner.hasExpired() && buttons.isEmpty(), "the run waited for the busy server");
    QTRY_VERIFY(!waiting);
}

// CGet2, or Enter in TURL2, saves the page's images; a numbered one is asked about, with the
// dialogs' exact texts, before it is saved.
void MainFormTest::probe()
{
    FakeDialogs dialogs;
    const Installed<Dialogs> installed(dialogs);
    QStringList answers = row()[0].split(';');
    dialogs.yesNoAnswers << (answers.takeFirst() == "Yes" ? Dialogs::Answer::Yes
                                                          : Dialogs::Answer::No);
    dialogs.inputAnswers.append(answers);
    type("TURL2", server.url("/s/p.html"));
    answers.isEmpty() ? click("CGet2")
                      : QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);

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
    QCOMPARE(status(), "終了にゃあ．（保存できなかった画像が 1 こあるにゃあ：gone.gif はサーバーに"
                       "ことわられたにゃあ（404 Not Found））");
}

QTEST_MAIN(MainFormTest)
#include "tst_mainform.moc"
