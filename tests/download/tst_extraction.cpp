#include "downloadwindow.h"

#include "common/textfile.h"
#include "download/folderlists.h"

using namespace kuokuo;
using namespace kuokuo::test;

class ExtractionTest : public DownloadWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { startServer(); }
    void cleanupTestCase() { stopServer(); }
    void init()
    {
        openWindow();
        m_messages.clear();
        connect(control<QStatusBar>("SB"), &QStatusBar::messageChanged, this,
                [this](const QString &text) { m_messages << text; });
    }
    void cleanup() { closeWindow(); }

    void imagesOfAPage();
    void noImages_data();
    void noImages();
    void pageFetchFails_data();
    void pageFetchFails();
    void imagesEnd_data();
    void imagesEnd();
    void closingDuringAnExtraction();

    void checkAsksNothing_data();
    void checkAsksNothing();
    void probeFindsTheHiddenSeries();
    void probe_data();
    void probe();

private:
    void extract(const QString &page)
    {
        box("TURL2")->setText(server->url(page));
        control<QPushButton>("CGet2")->click();
    }
    // The status messages of the checks, in order.
    QStringList checked() const
    {
        return m_messages.filter(QStringLiteral("連番ファイル確認終了にゃあ．"));
    }
    QStringList m_messages;
    int m_row = 0;
};

// References resolve against the page's address after redirects; a CP932 page with Japanese
// names; duplicates fetched twice; each image saved in page order after its check.
void ExtractionTest::imagesOfAPage()
{
    const QString host = QStringLiteral("127.0.0.1:%1").arg(server->port());
    const QString page = QStringLiteral("<html><body>\n"
                                        "<img src=\"pic.gif\">\n"
                                        "<img src=\"../other/o.jpg\">\n"
                                        "<IMG SRC=/img/r.jpg width=10>\n"
                                        "<img src=\"//%1/proto/q.gif\">\n"
                                        "<img src=\"http://%1/abs/a.jpg\">\n"
                                        "<img src=\"HTTP://%1/abs/B.GIF\">\n"
                                        "<p>猫の画像です～</p><img src=\"画像/猫.gif\">\n"
                                        "<img src=\"photo.png\"><script src=\"app.js\"></script>\n"
                                        "<img src=\"pic.gif\">\n"
                                        "</body></html>\n")
                             .arg(host);
    server->file("/x/p.html", *encodeCp932(page), "text/html");
    server->redirect("/old/p.html", "/x/p.html", 301);
    const QStringList paths{"/x/pic.gif", "/other/o.jpg", "/img/r.jpg",    "/proto/q.gif",
                            "/abs/a.jpg", "/abs/B.GIF",   "/x/画像/猫.gif"};
    for (const QString &path : paths)
        server->generated(path, 1000 + path.size());
    server->delay(std::chrono::milliseconds(100), "/x/pic.gif");
    extract("/old/p.html");

    QStringList requests = server->requests();
    requests.sort();
    QStringList expected = paths + QStringList{"/old/p.html", "/x/p.html", "/x/pic.gif"};
    expected.sort();
    QCOMPARE(requests, expected);
    QCOMPARE(files(),
             (QStringList{"B.GIF", "a.jpg", "o.jpg", "pic.gif", "q.gif", "r.jpg", "猫.gif"}));
    // Small images are saved too: the extraction makes no size test.
    for (const QString path : {"/proto/q.gif", "/x/画像/猫.gif"})
        QCOMPARE(saved(path.section('/', -1)),
                 HttpServer::generatedContent(path, 1000 + path.size()));
    QStringList order;
    for (const QString name :
         {"pic.gif", "o.jpg", "r.jpg", "q.gif", "a.jpg", "B.GIF", "猫.gif", "pic.gif"})
        order << QStringLiteral("連番ファイル確認終了にゃあ．") + name;
    QCOMPARE(checked(), order);
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
    QCOMPARE(control<FileListBox>("File")->count(), 7);
    QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 8);
    QCOMPARE(control<QProgressBar>("ProgressBar1")->maximum(), 8);
    QVERIFY(inOrder(states));
    QVERIFY(dialogs->calls.isEmpty());
    QCOMPARE(spokenLine(), 0);
    QVERIFY(!visible("Frame1"));
    QVERIFY(visible("Frame2"));
}

void ExtractionTest::noImages_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::newRow("no src") << QByteArray("<p>hello</p>");
    QTest::newRow("scripts and png")
        << QByteArray("<script src=\"a.js\"></script><img src=\"b.png\"><img src='c.gif'>");
    QTest::newRow("empty") << QByteArray();
}

void ExtractionTest::noImages()
{
    QFETCH(QByteArray, page);
    server->file("/none.html", page, "text/html");
    extract("/none.html");
    QCOMPARE(statusText(), QStringLiteral("画像ファイルが存在しないにゃあ．"));
    QCOMPARE(server->requests(), QStringList{"/none.html"});
    QCOMPARE(files(), QStringList{});
    QCOMPARE(spokenLine(), 0);
}

void ExtractionTest::pageFetchFails_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("missing page") << "/missing.html";
    QTest::newRow("connection dropped") << "/dropped.html";
    QTest::newRow("cut-off gzip") << "/cut.html";
    QTest::newRow("decompression bomb") << "/bomb.html";
    QTest::newRow("not a web address") << "ftp://127.0.0.1/p.html";
}

void ExtractionTest::pageFetchFails()
{
    QFETCH(QString, address);
    const QByteArray page = "<img src=a.gif>" + QByteArray(100000, ' ');
    server->reset("/dropped.html", 50000, 1000);
    server->gzipped("/cut.html", page, 100);
    server->gzipped("/bomb.html", page + QByteArray(Inet::MaxBodySize, ' '));
    server->generated("/a.gif", 4000);
    box("TURL2")->setText(address.startsWith('/') ? server->url(address) : address);
    control<QPushButton>("CGet2")->click();
    QCOMPARE(spokenLine(), 6);
    QCOMPARE(files(), QStringList{});
    QVERIFY(!server->requests().contains("/a.gif"));
    QVERIFY(!visible("Frame1"));
}

void ExtractionTest::imagesEnd_data()
{
    QTest::addColumn<QString>("plan"); // for the page's images i1.gif, i2.gif, i3.gif
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("status");
    QTest::newRow("reset mid-body")
        << "1W 2R 3W" << QStringList{"i1.gif"} << 6 << *MainForm::stateText(11);
    QTest::newRow("error status is skipped")
        << "1W 2E 3W" << QStringList{"i1.gif", "i3.gif"} << 0 << "終了にゃあ．";
    QTest::newRow("folder in the way") << "1W 2D 3W" << QStringList{"i1.gif", "i2.gif"} << 6
                                       << "連番ファイル確認終了にゃあ．i2.gif";
}

// A failing image ends the extraction: nothing after it is saved.
void ExtractionTest::imagesEnd()
{
    QFETCH(QString, plan);
    QFETCH(QStringList, kept);
    QFETCH(int, line);
    QFETCH(QString, status);
    const QString path = QStringLiteral("/e%1/").arg(++m_row);
    server->file(path + "p.html", "<img src=i1.gif><img src=i2.gif><img src=i3.gif>", "text/html");
    serve(path, "i?.gif", plan);
    server->delay(std::chrono::milliseconds(100), path + "i2.gif");
    extract(path + "p.html");
    QCOMPARE(spokenLine(), line);
    QCOMPARE(files(), kept);
    QCOMPARE(statusText(), status);
}

void ExtractionTest::closingDuringAnExtraction()
{
    server->file("/c/p.html", "<img src=a.gif><img src=b.gif><img src=c.gif>", "text/html");
    server->generated("/c/a.gif", 4000);
    server->generated("/c/b.gif", 8 * 1024 * 1024);
    server->generated("/c/c.gif", 4000);
    QPointer<MainForm> window = form;
    int transfers = 0;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        transfers += state == 1;
        if (state == 7 && transfers == 3)
            window->close();
    });
    extract("/c/p.html");
    QCOMPARE(files(), QStringList{"a.gif"});
    QCOMPARE(spokenLine(), 0);
    QTRY_VERIFY(window.isNull());
}

void ExtractionTest::checkAsksNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("line");
    QTest::newRow("no digit") << "logo.gif" << 0;
    QTest::newRow("digits only in the extension") << "song.mp3" << 0;
    QTest::newRow("four characters") << ".gif" << 0;
    QTest::newRow("too short") << "a.b" << 13;
}

void ExtractionTest::checkAsksNothing()
{
    QFETCH(QString, name);
    QFETCH(int, line);
    control<QStatusBar>("SB")->showMessage("before");
    form->rennbannkakuninn(name, QUrl(server->url("/g/" + name)));
    QVERIFY(dialogs->calls.isEmpty());
    QCOMPARE(statusText(), line ? QStringLiteral("before")
                                : QStringLiteral("連番ファイル確認終了にゃあ．") + name);
    QCOMPARE(spokenLine(), line);
}

void ExtractionTest::probeFindsTheHiddenSeries()
{
    // The page shows one picture of a series that lives in another folder.
    server->file("/pages/p.html", "<img src=\"/gallery/pic01.jpg\"><img src=logo.gif>",
                 "text/html");
    server->generated("/pages/logo.gif", 3100);
    serve("/gallery/", "pic??.jpg", "1..4W");
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "1";
    // The image is asked about before it is saved.
    bool savedBeforeTheProbe = true;
    connect(control<QStatusBar>("SB"), &QStatusBar::messageChanged, this, [&](const QString &text) {
        if (text.startsWith(QStringLiteral("連番ファイル確認はじめる")))
            savedBeforeTheProbe = QFileInfo::exists(folder->filePath("pic01.jpg"));
    });
    extract("/pages/p.html");

    QVERIFY(!savedBeforeTheProbe);
    QCOMPARE(dialogs->calls,
             (QStringList{"beep",
                          "question|連番ファイルを探してみるかにゃあ？|pic01.jpgが連番のファイルの"
                          "可能性がありますにゃあ！\r隠れたファイルを探してみますかにゃあ？",
                          "input|元ファイルpic01.jpgの隠された連番を探してみる|pic??.jpg\r\nの ? "
                          "の部分に入れる1000以下の数字の初期値を入力してにゃあ|1"}));
    QCOMPARE(files(),
             (QStringList{"logo.gif", "pic01.jpg", "pic02.jpg", "pic03.jpg", "pic04.jpg"}));
    QCOMPARE(saved("pic01.jpg"), HttpServer::generatedContent("/gallery/pic01.jpg", Whole));
    QCOMPARE(box("TURL")->text(), server->url("/gallery/"));
    QCOMPARE(announced, (QStringList{"pic??.jpg", "pic01.jpg", "pic02.jpg", "pic03.jpg",
                                     "pic04.jpg", "pic05.jpg"}));
    QCOMPARE(box("TInit")->text(), QStringLiteral("1"));
    QCOMPARE(box("TLast")->text(), QStringLiteral("1000"));
    QCOMPARE(spokenLine(), 11);
    QCOMPARE(m_messages.filter("連番ファイル確認") + m_messages.filter(QRegularExpression("^終了")),
             (QStringList{"連番ファイル確認はじめるにゃあ．pic??.jpg",
                          "?の連番ファイル確認終了にゃあ．pic??.jpg",
                          "連番ファイル確認終了にゃあ．pic01.jpg",
                          "連番ファイル確認終了にゃあ．logo.gif", "終了にゃあ．"}));
    QVERIFY(inOrder(states));
    // A probe that stopped early leaves the frames as it set them.
    QVERIFY(visible("Frame1"));
    QVERIFY(!visible("Frame2"));
    QVERIFY(!visible("CGet"));
}

void ExtractionTest::probe_data()
{
    QTest::addColumn<QString>("page");        // the image names, in the page's folder
    QTest::addColumn<QString>("plan");        // the numbered files there (see serve)
    QTest::addColumn<QStringList>("answers"); // "No", or the start numbers typed after Yes
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QString>("init"); // TInit afterwards
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("restored"); // both frames and CGet shown again

    QTest::newRow("declined") << "pic01.jpg"
                              << "1..4W" << QStringList{"No"} << QStringList{"pic01.jpg"} << "1"
                              << 0 << false;
    QTest::newRow("asks again") << "pic01.jpg"
                                << "1W 3W" << QStringList{"1001", "word", "", " 3 "}
                                << QStringList{"pic01.jpg", "pic03.jpg"} << "3" << 11 << false;
    QTest::newRow("one number restores the frames")
        << "pic0001.jpg"
        << "1W 1000W" << QStringList{"1000"} << QStringList{"pic0001.jpg", "pic1000.jpg"} << "1000"
        << 0 << true;
    QTest::newRow("negative start")
        << "img001.gif"
        << "1..5W" << QStringList{"-5"}
        << QStringList{"img001.gif", "img002.gif", "img003.gif", "img004.gif", "img005.gif"} << "-5"
        << 11 << false;
    QTest::newRow("start below the smallest number")
        << "pic01.jpg"
        << "1..3W" << QStringList{"-40000"} << QStringList{"pic01.jpg"} << "-40000" << 0 << false;
    QTest::newRow("failure after a file goes on with the next image")
        << "pic01.jpg logo.gif"
        << "1W 2R" << QStringList{"1"} << QStringList{"logo.gif", "pic01.jpg"} << "1" << 23
        << false;
}

void ExtractionTest::probe()
{
    QFETCH(QString, page);
    QFETCH(QString, plan);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, kept);
    QFETCH(QString, init);
    QFETCH(int, line);
    QFETCH(bool, restored);
    const QString path = QStringLiteral("/p%1/").arg(++m_row);
    const QStringList names = page.split(' ');
    QByteArray html;
    for (const QString &name : names)
        html += "<img src=" + name.toUtf8() + ">";
    server->file(path + "p.html", html, "text/html");
    server->generated(path + "logo.gif", 3100);
    serve(path, *rennbannpattern(names.first()), plan);
    dialogs->yesNoAnswers << (answers == QStringList{"No"} ? Dialogs::Answer::No
                                                           : Dialogs::Answer::Yes);
    for (const QString &answer : answers)
        dialogs->inputAnswers << answer;
    extract(path + "p.html");

    QCOMPARE(files(), kept);
    QCOMPARE(box("TInit")->text(), init);
    QCOMPARE(spokenLine(), line);
    QCOMPARE(dialogs->beeps, 1);
    QCOMPARE(dialogs->calls.size(), 2 + (answers == QStringList{"No"} ? 0 : answers.size()));
    // The probe's files land in number order: the names in TFile count down from -5 to 0.
    if (init == "-5")
        QCOMPARE(announced.mid(1), (QStringList{"img005.gif", "img004.gif", "img003.gif",
                                                "img002.gif", "img001.gif", "img000.gif"}));
    QCOMPARE(checked().last(), QStringLiteral("連番ファイル確認終了にゃあ．") + names.last());
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
    const bool declined = answers == QStringList{"No"};
    QCOMPARE(visible("Frame1"), !declined);
    QCOMPARE(visible("Frame2") && visible("CGet"), restored || declined);
}

QTEST_MAIN(ExtractionTest)
#include "tst_extraction.moc"
