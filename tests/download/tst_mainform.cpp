#include "downloadwindow.h"

#include "download/folderlists.h"
#include "download/updown.h"

#include <QElapsedTimer>
#include <QToolButton>

using namespace kuokuo;
using namespace kuokuo::test;

class MainFormTest : public DownloadWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { startServer(); }
    void cleanupTestCase() { stopServer(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void designTexts_data();
    void designTexts();
    void hintLabels();
    void opensAtTheCurrentFolder();
    void directoryChangeShowsItsFiles();
    void driveThatCannotBeOpened();
    void upDownSteps();
    void doubleClickMakesAPattern_data();
    void doubleClickMakesAPattern();
    void abortButtonsBringFramesBack();
    void closeButtonsClose_data();
    void closeButtonsClose();

    void runStopsAtTheFirstShortFile_data();
    void runStopsAtTheFirstShortFile();
    void twoPlacesCountPastNinetyNine();
    void firstAboveLastFetchesNothing();
    void noPattern_data();
    void noPattern();
    void unconvertibleNumbers_data();
    void unconvertibleNumbers();
    void passingTheLargestNumberFails();
    void abortEndsBeforeTheNextNumber();
    void errorStatusMeansMissing();
    void droppedConnection_data();
    void droppedConnection();
    void stalledServerTimesOut();
    void folderInTheWayOfAFile();
    void stateTextsInOrder();
    void enterStartsTheRun();
    void secondStartIsIgnored();
    void closingDuringARun();
    void endingTheProgramDuringARun();

private:
    void startSeries(const QString &pattern, const QString &first, const QString &last)
    {
        box("TURL")->setText(server->url("/img/"));
        box("TFile")->setText(pattern);
        box("TInit")->setText(first);
        box("TLast")->setText(last);
        control<QPushButton>("CGet")->click();
    }
};

void MainFormTest::designTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tip");

    QTest::newRow("TURL2") << "TURL2"
                           << "http://www."
                           << "画像を読み込むURLですにゃあ";
    QTest::newRow("TURL") << "TURL"
                          << "http://www."
                          << "ダウンロードするURLですにゃあ";
    QTest::newRow("TFile") << "TFile"
                           << ""
                           << "ダウンロードする連番ファイルの名前をいれますにゃあ。ダブルクリック"
                              "すると自動的に？マークの付いたファイル名にしますにゃあ";
    QTest::newRow("TInit") << "TInit"
                           << "1"
                           << "連番ファイルの初期値ですにゃあ";
    QTest::newRow("TLast") << "TLast"
                           << "100"
                           << "連番ファイルの最終値ですにゃあ";
    QTest::newRow("CGet2") << "CGet2"
                           << "読込"
                           << "";
    QTest::newRow("CAbort1") << "CAbort1"
                             << "中止"
                             << "";
    QTest::newRow("CClose1") << "CClose1"
                             << "閉じる"
                             << "";
    QTest::newRow("CGet") << "CGet"
                          << "読込"
                          << "";
    QTest::newRow("CAbort") << "CAbort"
                            << "中止"
                            << "";
    QTest::newRow("CClose") << "CClose"
                            << "閉じる"
                            << "";
    QTest::newRow("Frame2") << "Frame2"
                            << "HTMLからの画像の抽出にゃあ"
                            << "";
    QTest::newRow("Frame1") << "Frame1"
                            << "連番画像ファイルの取得にゃあ"
                            << "";
    QTest::newRow("Label2") << "Label2"
                            << "ファイル名(ex.: jpggif???.jpg)"
                            << "";
    QTest::newRow("Label3") << "Label3"
                            << "???の初期値"
                            << "";
    QTest::newRow("Label4") << "Label4"
                            << "???の終り値"
                            << "";
    QTest::newRow("Drive") << "Drive"
                           << ""
                           << "ドライブですにゃあ";
    QTest::newRow("Dir") << "Dir"
                         << ""
                         << "ダウンロードする場所を選びますにゃあ";
    QTest::newRow("File") << "File"
                          << ""
                          << "フォルダの中にあるファイル名ですにゃあ";
    QTest::newRow("SB") << "SB"
                        << ""
                        << "";
}

void MainFormTest::designTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, tip);
    QWidget *widget = control(name);
    QString shown;
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        shown = edit->text();
    else if (auto *button = qobject_cast<QPushButton *>(widget))
        shown = button->text();
    else if (auto *frame = qobject_cast<QGroupBox *>(widget))
        shown = frame->title();
    else if (auto *caption = qobject_cast<QLabel *>(widget))
        shown = caption->text();
    else if (auto *bar = qobject_cast<QStatusBar *>(widget))
        shown = bar->currentMessage();
    QCOMPARE(shown, text);
    QCOMPARE(widget->toolTip(), tip);
    QVERIFY(!widget->isHidden());
    QCOMPARE(form->windowTitle(), QStringLiteral("画像ファイルの取得"));
    QVERIFY(form->findChild<Inet *>("Inet"));
}

void MainFormTest::hintLabels()
{
    const QString hint = QStringLiteral("URL(ex.: http://www.example.com/gazou/)");
    for (const QString frame : {"Frame1", "Frame2"}) {
        auto *label = control(frame)->findChild<QLabel *>("Label1");
        QVERIFY(label);
        QCOMPARE(label->text(), hint);
    }
}

void MainFormTest::opensAtTheCurrentFolder()
{
    QDir(folder->path()).mkdir("sub");
    QFile(folder->filePath("a.jpg")).open(QIODevice::WriteOnly);
    QFile(folder->filePath(".hidden")).open(QIODevice::WriteOnly);
    delete Forms::loaded<MainForm>();
    form = Forms::instance<MainForm>();
    const QString here = QDir(folder->path()).canonicalPath();
    QCOMPARE(control<DirListBox>("Dir")->path(), here);
    QCOMPARE(control<FileListBox>("File")->path(), here);
    QCOMPARE(control<FileListBox>("File")->count(), 1);
    QCOMPARE(control<FileListBox>("File")->item(0)->text(), QStringLiteral("a.jpg"));
    QVERIFY(!control<DriveListBox>("Drive")->drive().isEmpty());
}

void MainFormTest::directoryChangeShowsItsFiles()
{
    QDir(folder->path()).mkdir("sub");
    QFile(folder->filePath("sub/b.gif")).open(QIODevice::WriteOnly);
    delete Forms::loaded<MainForm>();
    form = Forms::instance<MainForm>();
    auto *dir = control<DirListBox>("Dir");
    const QList<QTreeWidgetItem *> items =
        dir->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(items.size(), 1);
    emit dir->itemActivated(items.first(), 0);
    QCOMPARE(dir->path(), QDir(folder->filePath("sub")).canonicalPath());
    QCOMPARE(control<FileListBox>("File")->path(), dir->path());
    QCOMPARE(control<FileListBox>("File")->item(0)->text(), QStringLiteral("b.gif"));
    QCOMPARE(spokenLine(), 0);
}

void MainFormTest::driveThatCannotBeOpened()
{
    // A volume that went away after the list was read.
    auto *drive = control<DriveListBox>("Drive");
    drive->addItem("/gone", folder->filePath("gone"));
    drive->setCurrentIndex(drive->count() - 1);
    emit drive->activated(drive->count() - 1);
    QCOMPARE(spokenLine(), 17);
    QCOMPARE(control<DirListBox>("Dir")->path(), QDir(folder->path()).canonicalPath());
}

void MainFormTest::upDownSteps()
{
    auto *first = control<UpDown>("UpDown1");
    auto *last = control<UpDown>("UpDown2");
    QCOMPARE(first->value(), 1);
    QCOMPARE(last->value(), 100);
    first->findChildren<QToolButton *>().first()->click();
    QCOMPARE(box("TInit")->text(), QStringLiteral("2"));
    first->stepDown();
    first->stepDown();
    first->stepDown();
    QCOMPARE(box("TInit")->text(), QStringLiteral("0"));
    box("TLast")->setText("32767");
    last->stepUp();
    QCOMPARE(box("TLast")->text(), QStringLiteral("32767"));
    box("TInit")->setText("50");
    QTest::keyClick(box("TInit"), Qt::Key_Up);
    QCOMPARE(box("TInit")->text(), QStringLiteral("51"));
    box("TInit")->setText("abc");
    first->stepUp();
    QCOMPARE(box("TInit")->text(), QStringLiteral("52"));
}

void MainFormTest::doubleClickMakesAPattern_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("line");

    QTest::newRow("name") << "jpggif001.jpg"
                          << "jpggif???.jpg" << 0;
    QTest::newRow("pattern stays") << "jpggif???.jpg"
                                   << "jpggif???.jpg" << 0;
    QTest::newRow("no digits") << "logo.gif"
                               << "logo.gif" << 0;
    QTest::newRow("too short") << "a1b"
                               << "a1b" << 13;
    QTest::newRow("empty") << ""
                           << "" << 13;
}

void MainFormTest::doubleClickMakesAPattern()
{
    QFETCH(QString, text);
    QFETCH(QString, after);
    QFETCH(int, line);
    box("TFile")->setText(text);
    QTest::mouseDClick(box("TFile"), Qt::LeftButton);
    QCOMPARE(box("TFile")->text(), after);
    QCOMPARE(spokenLine(), line);
    QVERIFY(server->requests().isEmpty());
}

void MainFormTest::abortButtonsBringFramesBack()
{
    control("Frame1")->hide();
    control("Frame2")->hide();
    control("CGet")->hide();
    control<QPushButton>("CAbort")->click();
    QVERIFY(visible("Frame2"));
    QVERIFY(visible("CGet"));
    QVERIFY(!visible("Frame1"));
    control("Frame2")->hide();
    control("CGet")->hide();
    control<QPushButton>("CAbort1")->click();
    QVERIFY(visible("Frame1"));
    QVERIFY(visible("CGet"));
    QVERIFY(!visible("Frame2"));
}

void MainFormTest::closeButtonsClose_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("CClose") << "CClose";
    QTest::newRow("CClose1") << "CClose1";
}

void MainFormTest::closeButtonsClose()
{
    QFETCH(QString, name);
    box("TURL")->setText("http://changed/");
    control<QPushButton>(name)->click();
    QTRY_VERIFY(!Forms::loaded<MainForm>());
    form = Forms::instance<MainForm>();
    QCOMPARE(box("TURL")->text(), QStringLiteral("http://www."));
}

void MainFormTest::runStopsAtTheFirstShortFile_data()
{
    QTest::addColumn<QByteArray>("earlierCopy"); // of the third file, from an earlier run
    QTest::newRow("new folder") << QByteArray();
    QTest::newRow("folder with an earlier copy") << QByteArray(5000, 'e');
}

void MainFormTest::runStopsAtTheFirstShortFile()
{
    QFETCH(QByteArray, earlierCopy);
    serveSeries("/img/jpggif", 1, 2, 3, ".jpg");
    server->generated("/img/jpggif003.jpg", Short);
    serveSeries("/img/jpggif", 4, 9, 3, ".jpg");
    QStringList expected{"jpggif001.jpg", "jpggif002.jpg"};
    if (!earlierCopy.isNull()) {
        QFile earlier(folder->filePath("jpggif003.jpg"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(earlierCopy) == 5000);
        expected << "jpggif003.jpg";
    }
    startSeries("jpggif???.jpg", "1", "100");

    QCOMPARE(server->requests(),
             (QStringList{"/img/jpggif001.jpg", "/img/jpggif002.jpg", "/img/jpggif003.jpg"}));
    QCOMPARE(files(), expected);
    QCOMPARE(saved("jpggif001.jpg"), HttpServer::generatedContent("/img/jpggif001.jpg", Whole));
    QCOMPARE(saved("jpggif002.jpg"), HttpServer::generatedContent("/img/jpggif002.jpg", Whole));
    // The short answer is never written: an earlier copy stays as it was.
    if (!earlierCopy.isNull())
        QCOMPARE(saved("jpggif003.jpg"), earlierCopy);
    QCOMPARE(box("TFile")->text(), QStringLiteral("jpggif003.jpg"));
    QCOMPARE(spokenLine(), 11);
    // The file list shows the folder as it is after the run.
    auto *list = control<FileListBox>("File");
    QCOMPARE(list->count(), expected.size());
    QVERIFY(!visible("Frame2"));
    QVERIFY(visible("Frame1"));
}

void MainFormTest::twoPlacesCountPastNinetyNine()
{
    serveSeries("/img/p", 0, 99, 2, ".jpg");
    startSeries("p??.jpg", "1", "100");
    const QStringList requests = server->requests();
    QCOMPARE(requests.size(), 100);
    QCOMPARE(requests.at(98), QStringLiteral("/img/p99.jpg"));
    QCOMPARE(requests.at(99), QStringLiteral("/img/p00.jpg"));
    QCOMPARE(files().size(), 100);
    QCOMPARE(box("TFile")->text(), QStringLiteral("p00.jpg"));
    QCOMPARE(spokenLine(), 0);
}

void MainFormTest::firstAboveLastFetchesNothing()
{
    startSeries("a???.jpg", "5", "3");
    QVERIFY(server->requests().isEmpty());
    QCOMPARE(spokenLine(), 0);
    QCOMPARE(box("TFile")->text(), QStringLiteral("a???.jpg"));
}

void MainFormTest::noPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("empty") << "";
    QTest::newRow("no placeholder") << "jpggif001.jpg";
}

void MainFormTest::noPattern()
{
    QFETCH(QString, pattern);
    startSeries(pattern, "1", "3");
    QCOMPARE(spokenLine(), 18);
    QVERIFY(!visible("Frame2"));
    QVERIFY(server->requests().isEmpty());
}

void MainFormTest::unconvertibleNumbers_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("word first") << "abc"
                                << "3";
    QTest::newRow("empty last") << "1"
                                << "";
    QTest::newRow("first too large") << "40000"
                                     << "40001";
    QTest::newRow("last too small") << "1"
                                    << "-32769";
}

void MainFormTest::unconvertibleNumbers()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    serveSeries("/img/a", 1, 3, 3, ".jpg");
    startSeries("a???.jpg", first, last);
    QVERIFY(server->requests().isEmpty());
    QCOMPARE(spokenLine(), 0);
    QVERIFY(!visible("Frame2"));
}

void MainFormTest::passingTheLargestNumberFails()
{
    serveSeries("/img/n", 32766, 32767, 5, ".jpg");
    startSeries("n?????.jpg", "32766", "32767");
    QCOMPARE(files(), (QStringList{"n32766.jpg", "n32767.jpg"}));
    QCOMPARE(spokenLine(), 23);
}

void MainFormTest::abortEndsBeforeTheNextNumber()
{
    serveSeries("/img/a", 1, 9, 3, ".jpg");
    auto *inet = form->findChild<Inet *>("Inet");
    int transfers = 0;
    connect(inet, &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 1)
            ++transfers;
        if (state == 7 && transfers == 2)
            control<QPushButton>("CAbort")->click();
    });
    startSeries("a???.jpg", "1", "9");
    QCOMPARE(files(), (QStringList{"a001.jpg", "a002.jpg"}));
    QCOMPARE(server->requests().size(), 2);
    QCOMPARE(spokenLine(), 0);
    QVERIFY(visible("Frame2"));
    QVERIFY(visible("CGet"));
}

void MainFormTest::errorStatusMeansMissing()
{
    serveSeries("/img/e", 1, 1, 3, ".jpg");
    server->status("/img/e002.jpg", 404, 10 * 1024);
    serveSeries("/img/e", 3, 5, 3, ".jpg");
    startSeries("e???.jpg", "1", "5");
    QCOMPARE(files(), QStringList{"e001.jpg"});
    QCOMPARE(server->requests().size(), 2);
    QCOMPARE(box("TFile")->text(), QStringLiteral("e002.jpg"));
    QCOMPARE(spokenLine(), 11);
}

void MainFormTest::droppedConnection_data()
{
    QTest::addColumn<int>("cutAt");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<int>("line");
    QTest::newRow("first file") << 1 << QStringList{} << 0;
    QTest::newRow("after a saved file") << 2 << QStringList{"r001.jpg"} << 23;
}

void MainFormTest::droppedConnection()
{
    QFETCH(int, cutAt);
    QFETCH(QStringList, kept);
    QFETCH(int, line);
    serveSeries("/img/r", 1, 5, 3, ".jpg");
    server->reset(QStringLiteral("/img/r%1.jpg").arg(cutAt, 3, 10, QLatin1Char('0')), 100000,
                  30000);
    startSeries("r???.jpg", "1", "5");
    QCOMPARE(files(), kept);
    QCOMPARE(server->requests().size(), cutAt);
    QCOMPARE(spokenLine(), line);
}

void MainFormTest::stalledServerTimesOut()
{
    Inet::setTimeout(std::chrono::milliseconds(300));
    server->stall("/img/s001.jpg");
    QElapsedTimer clock;
    clock.start();
    startSeries("s???.jpg", "1", "5");
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(files(), QStringList{});
    QCOMPARE(spokenLine(), 0);
    QCOMPARE(statusText(), *MainForm::stateText(11));
}

void MainFormTest::folderInTheWayOfAFile()
{
    serveSeries("/img/w", 1, 3, 3, ".jpg");
    QVERIFY(QDir(folder->path()).mkdir("w002.jpg"));
    startSeries("w???.jpg", "1", "3");
    QCOMPARE(files(), (QStringList{"w001.jpg", "w002.jpg"}));
    QVERIFY(QFileInfo(folder->filePath("w002.jpg")).isDir());
    QCOMPARE(spokenLine(), 23);
}

void MainFormTest::stateTextsInOrder()
{
    HttpServer fresh;
    fresh.generated("/img/t001.jpg", Whole);
    fresh.generated("/img/t002.jpg", Short);
    QStringList shown;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this,
            [&] { shown << statusText(); });
    box("TURL")->setText(fresh.url("/img/"));
    box("TFile")->setText("t???.jpg");
    box("TLast")->setText("1");
    control<QPushButton>("CGet")->click();
    QCOMPARE(shown, (QStringList{
                        "指定されたホスト コンピュータの IP アドレスを調べていますにゃあ。",
                        "指定されたホスト コンピュータの IP アドレスを見つけましたにゃあ。",
                        "ホスト コンピュータとの接続処理を行っていますにゃあ。",
                        "ホスト コンピュータと正常に接続しましたにゃあ。",
                        "ホスト コンピュータに要求を送信していますにゃあ。",
                        "要求を正常に送信しましたにゃあ。",
                        "ホスト コンピュータからの応答を受信していますにゃあ。",
                        "ホスト コンピュータからの応答を正常に受信しましたにゃあ。おわりにゃあ",
                        "要求処理が完了し、すべてのデータが受信されましたにゃあ。",
                    }));
    QCOMPARE(*MainForm::stateText(0), QStringLiteral("状態についての報告はありませんにゃあ。"));
    QCOMPARE(*MainForm::stateText(9),
             QStringLiteral("ホスト コンピュータとの接続を解除していますにゃあ。"));
    QCOMPARE(*MainForm::stateText(10),
             QStringLiteral("ホスト コンピュータとの接続を正常に解除しましたにゃあ。"));
    QCOMPARE(*MainForm::stateText(11),
             QStringLiteral("コンピュータとの通信中にエラーが発生しましたにゃあ。"));
    QVERIFY(!MainForm::stateText(13));
    QVERIFY(!MainForm::stateText(-1));
    Inet::manager().clearConnectionCache();
}

void MainFormTest::enterStartsTheRun()
{
    serveSeries("/img/k", 1, 1, 3, ".jpg");
    box("TURL")->setText(server->url("/img/"));
    box("TFile")->setText("k???.jpg");
    box("TLast")->setText("1");
    QTest::keyClick(box("TURL"), Qt::Key_Return);
    QCOMPARE(files(), QStringList{"k001.jpg"});
    QVERIFY(!visible("Frame2"));

    server->file("/pages/none.html", "<p>no pictures</p>", "text/html");
    box("TURL2")->setText(server->url("/pages/none.html"));
    QTest::keyClick(box("TURL2"), Qt::Key_Enter);
    QCOMPARE(statusText(), QStringLiteral("画像ファイルが存在しないにゃあ．"));
    QVERIFY(!visible("Frame1"));
}

void MainFormTest::secondStartIsIgnored()
{
    serveSeries("/img/g", 1, 3, 3, ".jpg");
    server->file("/pages/page.html", "<img src=x.gif>", "text/html");
    box("TURL2")->setText(server->url("/pages/page.html"));
    bool tried = false;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 7 && !tried) {
            tried = true;
            control<QPushButton>("CGet")->click();
            control<QPushButton>("CGet2")->click();
            QTest::keyClick(box("TURL"), Qt::Key_Return);
        }
    });
    startSeries("g???.jpg", "1", "3");
    QVERIFY(tried);
    QCOMPARE(server->requests(), (QStringList{"/img/g001.jpg", "/img/g002.jpg", "/img/g003.jpg"}));
    QVERIFY(visible("Frame1"));
}

void MainFormTest::closingDuringARun()
{
    serveSeries("/img/c", 1, 1, 3, ".jpg");
    server->generated("/img/c002.jpg", 8 * 1024 * 1024);
    serveSeries("/img/c", 3, 5, 3, ".jpg");
    QPointer<MainForm> window = form;
    int transfers = 0;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 1)
            ++transfers;
        if (state == 7 && transfers == 2)
            window->close();
    });
    startSeries("c???.jpg", "1", "5");
    QCOMPARE(server->requests().size(), 2);
    QCOMPARE(files(), QStringList{"c001.jpg"});
    QCOMPARE(spokenLine(), 0);
    QTRY_VERIFY(window.isNull());
    QVERIFY(!Forms::loaded<MainForm>());
}

void MainFormTest::endingTheProgramDuringARun()
{
    serveSeries("/img/x", 1, 1, 3, ".jpg");
    server->stall("/img/x002.jpg");
    int transfers = 0;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 1 && ++transfers == 2)
            QTimer::singleShot(50, [] { Forms::endProgram(); });
    });
    startSeries("x???.jpg", "1", "5");
    QVERIFY(Forms::ending());
    QCOMPARE(files(), QStringList{"x001.jpg"});
    QCOMPARE(spokenLine(), 0);
    // The test goes on: a main loop that starts and ends clears the quit request.
    Forms::resetEnding();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

QTEST_MAIN(MainFormTest)
#include "tst_mainform.moc"
