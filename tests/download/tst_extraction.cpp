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
    void addressesAfterARedirect();
    void japanesePageAndNames();
    void noImages_data();
    void noImages();
    void pageFetchFails_data();
    void pageFetchFails();
    void imageFetchFailsAfterTheFirst();
    void imageBehindAnErrorStatusIsSkipped();
    void folderInTheWayOfAnImage();
    void downloadFolderAtTheRoot();
    void closingDuringAnExtraction();

    void checkWithoutQuestion_data();
    void checkWithoutQuestion();
    void nameTooShortForACheck();
    void probeFindsTheHiddenSeries();
    void probeDeclined();
    void probeAsksAgain();
    void probeOfOneNumberRestoresTheFrames();
    void probeFromANegativeNumber();
    void probeStartBelowTheSmallestNumber();
    void probeFailureAfterAFileGoesOnWithTheImage();

private:
    void extract(const QString &page)
    {
        box("TURL2")->setText(server->url(page));
        control<QPushButton>("CGet2")->click();
    }
    QStringList m_messages;
};

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
                                        "<img src=\"photo.png\"><script src=\"app.js\"></script>\n"
                                        "<img src=\"pic.gif\">\n"
                                        "</body></html>\n")
                             .arg(host);
    server->file("/x/p.html", page.toUtf8(), "text/html");
    for (const QString path :
         {"/x/pic.gif", "/other/o.jpg", "/img/r.jpg", "/proto/q.gif", "/abs/a.jpg", "/abs/B.GIF"})
        server->generated(path, 1000 + path.size());
    extract("/x/p.html");

    QCOMPARE(server->requests(),
             (QStringList{"/x/p.html", "/x/pic.gif", "/other/o.jpg", "/img/r.jpg", "/proto/q.gif",
                          "/abs/a.jpg", "/abs/B.GIF", "/x/pic.gif"}));
    QCOMPARE(files(), (QStringList{"B.GIF", "a.jpg", "o.jpg", "pic.gif", "q.gif", "r.jpg"}));
    // Small images are saved too: the extraction makes no size test.
    QCOMPARE(saved("r.jpg"), HttpServer::generatedContent("/img/r.jpg", 1010));
    QCOMPARE(saved("q.gif"), HttpServer::generatedContent("/proto/q.gif", 1012));
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
    QVERIFY(m_messages.contains(QStringLiteral("連番ファイル確認終了にゃあ．o.jpg")));
    QCOMPARE(control<FileListBox>("File")->count(), 6);
    QVERIFY(dialogs->calls.isEmpty());
    QCOMPARE(spokenLine(), 0);
    QVERIFY(!visible("Frame1"));
    QVERIFY(visible("Frame2"));
}

void ExtractionTest::addressesAfterARedirect()
{
    server->file("/new/p.html", "<img src=\"a.gif\">", "text/html");
    server->redirect("/old/p.html", "/new/p.html", 301);
    server->generated("/new/a.gif", 5000);
    extract("/old/p.html");
    QCOMPARE(server->requests(), (QStringList{"/old/p.html", "/new/p.html", "/new/a.gif"}));
    QCOMPARE(files(), QStringList{"a.gif"});
}

void ExtractionTest::japanesePageAndNames()
{
    const QString page = QStringLiteral("<p>猫の画像です～</p><img src=\"画像/猫.gif\">");
    server->file("/x/jp.html", *encodeCp932(page), "text/html");
    server->generated("/x/画像/猫.gif", 3500);
    extract("/x/jp.html");
    QCOMPARE(files(), QStringList{"猫.gif"});
    QCOMPARE(saved("猫.gif"), HttpServer::generatedContent("/x/画像/猫.gif", 3500));
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
    QTest::newRow("not a web address") << "";
}

void ExtractionTest::pageFetchFails()
{
    QFETCH(QString, address);
    server->reset("/dropped.html", 50000, 1000);
    if (address.isEmpty())
        box("TURL2")->setText("http://www.");
    else
        box("TURL2")->setText(server->url(address));
    control<QPushButton>("CGet2")->click();
    QCOMPARE(spokenLine(), 6);
    QCOMPARE(files(), QStringList{});
    QVERIFY(!visible("Frame1"));
}

void ExtractionTest::imageFetchFailsAfterTheFirst()
{
    server->file("/f/p.html", "<img src=a.gif><img src=b.gif><img src=c.gif>", "text/html");
    server->generated("/f/a.gif", 4000);
    server->reset("/f/b.gif", 50000, 20000);
    server->generated("/f/c.gif", 4000);
    extract("/f/p.html");
    QCOMPARE(spokenLine(), 6);
    QCOMPARE(files(), QStringList{"a.gif"});
    QCOMPARE(server->requests(), (QStringList{"/f/p.html", "/f/a.gif", "/f/b.gif"}));
    QCOMPARE(statusText(), *MainForm::stateText(11));
}

void ExtractionTest::imageBehindAnErrorStatusIsSkipped()
{
    server->file("/s/p.html", "<img src=a.gif><img src=gone.gif><img src=c.gif>", "text/html");
    server->generated("/s/a.gif", 4000);
    server->status("/s/gone.gif", 404, 10 * 1024);
    server->generated("/s/c.gif", 4000);
    extract("/s/p.html");
    QCOMPARE(files(), (QStringList{"a.gif", "c.gif"}));
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
    QCOMPARE(spokenLine(), 0);
}

void ExtractionTest::folderInTheWayOfAnImage()
{
    server->file("/w/p.html", "<img src=a.gif><img src=b.gif><img src=c.gif>", "text/html");
    for (const QString name : {"a", "b", "c"})
        server->generated("/w/" + name + ".gif", 4000);
    QVERIFY(QDir(folder->path()).mkdir("b.gif"));
    extract("/w/p.html");
    QCOMPARE(spokenLine(), 6);
    QCOMPARE(files(), (QStringList{"a.gif", "b.gif"}));
    QVERIFY(QFileInfo(folder->filePath("b.gif")).isDir());
    QCOMPARE(server->requests().size(), 3);
}

void ExtractionTest::downloadFolderAtTheRoot()
{
    if (!QFileInfo(QStringLiteral("/")).isWritable())
        QSKIP("the root folder cannot be written here");
    const QString name =
        QStringLiteral("kuokuo-root-%1.gif").arg(QCoreApplication::applicationPid());
    server->file("/root/p.html", QStringLiteral("<img src=%1>").arg(name).toUtf8(), "text/html");
    server->generated("/root/" + name, 3200);
    QVERIFY(control<DirListBox>("Dir")->setPath("/"));
    QCOMPARE(control<DirListBox>("Dir")->path(), QStringLiteral("/"));
    extract("/root/p.html");
    QFile file("/" + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), HttpServer::generatedContent("/root/" + name, 3200));
    file.remove();
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
}

void ExtractionTest::closingDuringAnExtraction()
{
    server->file("/c/p.html", "<img src=a.gif><img src=b.gif><img src=c.gif>", "text/html");
    server->generated("/c/a.gif", 4000);
    server->generated("/c/b.gif", 8 * 1024 * 1024);
    server->generated("/c/c.gif", 4000);
    QPointer<MainForm> window = form;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 7 && server->requests().size() == 3)
            window->close();
    });
    extract("/c/p.html");
    QCOMPARE(files(), QStringList{"a.gif"});
    QCOMPARE(server->requests().size(), 3);
    QCOMPARE(spokenLine(), 0);
    QTRY_VERIFY(window.isNull());
}

void ExtractionTest::checkWithoutQuestion_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no digit") << "logo.gif";
    QTest::newRow("digits only in the extension") << "song.mp3";
    QTest::newRow("four characters") << ".gif";
}

void ExtractionTest::checkWithoutQuestion()
{
    QFETCH(QString, name);
    form->rennbannkakuninn(name, QUrl(server->url("/g/" + name)));
    QVERIFY(dialogs->calls.isEmpty());
    QCOMPARE(statusText(), QStringLiteral("連番ファイル確認終了にゃあ．") + name);
    QCOMPARE(spokenLine(), 0);
}

void ExtractionTest::nameTooShortForACheck()
{
    control<QStatusBar>("SB")->showMessage("before");
    form->rennbannkakuninn("a.b", QUrl(server->url("/g/a.b")));
    QCOMPARE(spokenLine(), 13);
    QCOMPARE(statusText(), QStringLiteral("before"));
    QVERIFY(dialogs->calls.isEmpty());
}

void ExtractionTest::probeFindsTheHiddenSeries()
{
    // The page shows one picture of a series that lives in another folder.
    server->file("/pages/p.html", "<img src=\"/gallery/pic01.jpg\">", "text/html");
    serveSeries("/gallery/pic", 1, 4, 2, ".jpg");
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "1";
    extract("/pages/p.html");

    QCOMPARE(dialogs->calls,
             (QStringList{"beep",
                          "question|連番ファイルを探してみるかにゃあ？|pic01.jpgが連番のファイルの"
                          "可能性がありますにゃあ！\r隠れたファイルを探してみますかにゃあ？",
                          "input|元ファイルpic01.jpgの隠された連番を探してみる|pic??.jpg\r\nの ? "
                          "の部分に入れる1000以下の数字の初期値を入力してにゃあ|1"}));
    QCOMPARE(server->requests(),
             (QStringList{"/pages/p.html", "/gallery/pic01.jpg", "/gallery/pic01.jpg",
                          "/gallery/pic02.jpg", "/gallery/pic03.jpg", "/gallery/pic04.jpg",
                          "/gallery/pic05.jpg"}));
    QCOMPARE(files(), (QStringList{"pic01.jpg", "pic02.jpg", "pic03.jpg", "pic04.jpg"}));
    QCOMPARE(saved("pic01.jpg"), HttpServer::generatedContent("/gallery/pic01.jpg", Whole));
    QCOMPARE(box("TURL")->text(), server->url("/gallery/"));
    QCOMPARE(box("TFile")->text(), QStringLiteral("pic05.jpg"));
    QCOMPARE(box("TInit")->text(), QStringLiteral("1"));
    QCOMPARE(box("TLast")->text(), QStringLiteral("1000"));
    QCOMPARE(spokenLine(), 11);

    const QStringList expected{"連番ファイル確認はじめるにゃあ．pic??.jpg",
                               "?の連番ファイル確認終了にゃあ．pic??.jpg",
                               "連番ファイル確認終了にゃあ．pic01.jpg", "終了にゃあ．"};
    QStringList own;
    for (const QString &message : std::as_const(m_messages)) {
        if (expected.contains(message))
            own << message;
    }
    QCOMPARE(own, expected);
    // A probe that stopped early leaves the frames as it set them.
    QVERIFY(visible("Frame1"));
    QVERIFY(!visible("Frame2"));
    QVERIFY(!visible("CGet"));
}

void ExtractionTest::probeDeclined()
{
    server->file("/n/p.html", "<img src=pic01.jpg>", "text/html");
    serveSeries("/n/pic", 1, 4, 2, ".jpg");
    dialogs->yesNoAnswers << Dialogs::Answer::No;
    extract("/n/p.html");
    QCOMPARE(dialogs->beeps, 1);
    QCOMPARE(server->requests(), (QStringList{"/n/p.html", "/n/pic01.jpg"}));
    QCOMPARE(files(), QStringList{"pic01.jpg"});
    QCOMPARE(box("TURL")->text(), QStringLiteral("http://www."));
    QCOMPARE(box("TFile")->text(), QString());
    QCOMPARE(box("TInit")->text(), QStringLiteral("1"));
    QCOMPARE(box("TLast")->text(), QStringLiteral("100"));
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
    QVERIFY(m_messages.contains(QStringLiteral("連番ファイル確認終了にゃあ．pic01.jpg")));
}

void ExtractionTest::probeAsksAgain()
{
    server->file("/a/p.html", "<img src=pic01.jpg>", "text/html");
    serveSeries("/a/pic", 1, 1, 2, ".jpg");
    serveSeries("/a/pic", 3, 3, 2, ".jpg");
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "1001"
                          << "word"
                          << ""
                          << " 3 ";
    extract("/a/p.html");

    const QString again = QStringLiteral(
        "input|元ファイルpic01.jpgの隠された連番を探してみる|入力されたデータが1000以上かまたは数字"
        "じゃありませんでしたにゃあ\r\nもう一度数字を入力にゃあ\r\npic??.jpg\r\nの?の部分に入れる"
        "数字の初期値を入力してにゃあ|1");
    QCOMPARE(dialogs->calls.size(), 6);
    QCOMPARE(dialogs->calls.mid(3), (QStringList{again, again, again}));
    QCOMPARE(box("TInit")->text(), QStringLiteral("3"));
    QCOMPARE(server->requests(),
             (QStringList{"/a/p.html", "/a/pic01.jpg", "/a/pic03.jpg", "/a/pic04.jpg"}));
}

void ExtractionTest::probeOfOneNumberRestoresTheFrames()
{
    server->file("/o/p.html", "<img src=pic0001.jpg>", "text/html");
    serveSeries("/o/pic", 1, 1, 4, ".jpg");
    serveSeries("/o/pic", 1000, 1000, 4, ".jpg");
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "1000";
    extract("/o/p.html");
    QCOMPARE(server->requests(), (QStringList{"/o/p.html", "/o/pic0001.jpg", "/o/pic1000.jpg"}));
    QCOMPARE(files(), (QStringList{"pic0001.jpg", "pic1000.jpg"}));
    QVERIFY(visible("Frame1"));
    QVERIFY(visible("Frame2"));
    QVERIFY(visible("CGet"));
    QCOMPARE(spokenLine(), 0);
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
}

void ExtractionTest::probeFromANegativeNumber()
{
    server->file("/m/p.html", "<img src=img001.gif>", "text/html");
    serveSeries("/m/img", 1, 5, 3, ".gif");
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "-5";
    extract("/m/p.html");
    QCOMPARE(server->requests(),
             (QStringList{"/m/p.html", "/m/img001.gif", "/m/img005.gif", "/m/img004.gif",
                          "/m/img003.gif", "/m/img002.gif", "/m/img001.gif", "/m/img000.gif"}));
    QCOMPARE(box("TInit")->text(), QStringLiteral("-5"));
    QCOMPARE(spokenLine(), 11);
}

void ExtractionTest::probeStartBelowTheSmallestNumber()
{
    server->file("/b/p.html", "<img src=pic01.jpg>", "text/html");
    serveSeries("/b/pic", 1, 3, 2, ".jpg");
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "-40000";
    extract("/b/p.html");
    QCOMPARE(server->requests(), (QStringList{"/b/p.html", "/b/pic01.jpg"}));
    QCOMPARE(box("TInit")->text(), QStringLiteral("-40000"));
    QCOMPARE(spokenLine(), 0);
    QCOMPARE(files(), QStringList{"pic01.jpg"});
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
}

void ExtractionTest::probeFailureAfterAFileGoesOnWithTheImage()
{
    server->file("/d/p.html", "<img src=pic01.jpg><img src=logo.gif>", "text/html");
    serveSeries("/d/pic", 1, 1, 2, ".jpg");
    server->reset("/d/pic02.jpg", 90000, 10000);
    server->generated("/d/logo.gif", 3100);
    dialogs->yesNoAnswers << Dialogs::Answer::Yes;
    dialogs->inputAnswers << "1";
    extract("/d/p.html");
    QCOMPARE(spokenLine(), 23);
    QCOMPARE(files(), (QStringList{"logo.gif", "pic01.jpg"}));
    QCOMPARE(statusText(), QStringLiteral("終了にゃあ．"));
}

QTEST_MAIN(ExtractionTest)
#include "tst_extraction.moc"
