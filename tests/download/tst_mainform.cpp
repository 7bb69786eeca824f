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

    void series_data();
    void series();
    void nothingFetched_data();
    void nothingFetched();
    void abortEndsBeforeTheNextNumber();
    void stateTextsInOrder();
    void enterStartsTheRun();
    void secondStartIsIgnored();
    void closingDuringARun();
    void endingTheProgramDuringARun();

private:
    int m_row = 0;

    void startSeries(const QString &pattern, const QString &first, const QString &last,
                     const QString &path = "/img/")
    {
        box("TURL")->setText(server->url(path));
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
    static const char *const rows[][3] = {
        {"TURL2", "http://www.", "画像を読み込むURLですにゃあ"},
        {"TURL", "http://www.", "ダウンロードするURLですにゃあ"},
        {"TFile", "",
         "ダウンロードする連番ファイルの名前をいれますにゃあ。ダブルクリックすると自動的に？マーク"
         "の付いたファイル名にしますにゃあ"},
        {"TInit", "1", "連番ファイルの初期値ですにゃあ"},
        {"TLast", "100", "連番ファイルの最終値ですにゃあ"},
        {"CGet2", "読込", ""},
        {"CAbort1", "中止", ""},
        {"CClose1", "閉じる", ""},
        {"CGet", "読込", ""},
        {"CAbort", "中止", ""},
        {"CClose", "閉じる", ""},
        {"Frame2", "HTMLからの画像の抽出にゃあ", ""},
        {"Frame1", "連番画像ファイルの取得にゃあ", ""},
        {"Label2", "ファイル名(ex.: jpggif???.jpg)", ""},
        {"Label3", "???の初期値", ""},
        {"Label4", "???の終り値", ""},
        {"Drive", "", "ドライブですにゃあ"},
        {"Dir", "", "ダウンロードする場所を選びますにゃあ"},
        {"File", "", "フォルダの中にあるファイル名ですにゃあ"},
        {"SB", "", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << row[0] << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
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
    form = Forms::instance<MainForm>(folder->path());
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
    form = Forms::instance<MainForm>(folder->path());
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

void MainFormTest::series_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("plan"); // what the server holds (see serve)
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("ending"); // the number that ends the run; past the last: none
    QTest::addColumn<int>("line");

    QTest::newRow("stops at the first short file") << "a???.jpg"
                                                   << "1..2W 3S 4..12W" << 1 << 100 << 3 << 11;
    QTest::newRow("an earlier copy of the short file stays")
        << "a???.jpg"
        << "1W 2C 3..9W" << 1 << 100 << 2 << 11;
    QTest::newRow("error status means missing") << "a???.jpg"
                                                << "1W 2E 3..5W" << 1 << 5 << 2 << 11;
    QTest::newRow("reset on the first file") << "a???.jpg"
                                             << "1R 2..5W" << 1 << 5 << 1 << 0;
    QTest::newRow("reset after a saved file") << "a???.jpg"
                                              << "1W 2R 3..5W" << 1 << 5 << 2 << 23;
    QTest::newRow("trickle after a saved file") << "a???.jpg"
                                                << "1W 2T 3..5W" << 1 << 5 << 2 << 23;
    QTest::newRow("folder in the way") << "a???.jpg"
                                       << "1W 2D 3W" << 1 << 3 << 2 << 23;
    QTest::newRow("to the last number") << "a???.jpg"
                                        << "1..9W" << 1 << 3 << 4 << 0;
    QTest::newRow("two places count past 99") << "p??.jpg"
                                              << "0..99W" << 1 << 100 << 101 << 0;
    QTest::newRow("past 32767 is a failure") << "n?????.jpg"
                                             << "32766..32767W" << 32766 << 32767 << 32768 << 23;
    QTest::newRow("first above last") << "a???.jpg"
                                      << "1..9W" << 5 << 3 << 5 << 0;
}

// The window of requests: files land in number order, nothing is written past the number that
// ends the run, at most parallel - 1 requests go past it, and each transfer's states show in
// order as if the files were fetched one at a time.
void MainFormTest::series()
{
    QFETCH(QString, pattern);
    QFETCH(QString, plan);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, ending);
    QFETCH(int, line);
    const QString path = QStringLiteral("/s%1/").arg(++m_row);
    serve(path, pattern, plan);
    const RennbannField field = rennbannfield(pattern);
    const auto name = [&](int n) { return rennbannname(pattern, field, qint16(n)); };
    // The first file comes last, so that the later ones wait for it.
    server->delay(std::chrono::milliseconds(60), path + name(first));
    // When a name is written into TFile, no later file is on disk yet.
    QStringList allowed = files();
    int next = first;
    connect(box("TFile"), &QLineEdit::textChanged, this, [&] {
        allowed << name(next++);
        for (const QString &file : files())
            QVERIFY2(allowed.contains(file), qPrintable(file));
    });
    startSeries(pattern, QString::number(first), QString::number(last), path);

    const int stop = std::min(ending, last + 1); // the first number not saved
    QStringList expected;
    QStringList handled;
    for (int n = first; n < stop; ++n)
        expected << name(n);
    handled = expected;
    if (line == 11)
        handled << name(ending);
    if (stop <= last && QFileInfo::exists(folder->filePath(name(stop))))
        expected << name(stop); // an earlier copy or a folder in the way
    expected.removeDuplicates();
    expected.sort();
    QCOMPARE(files(), expected);
    QCOMPARE(announced, handled);
    QCOMPARE(spokenLine(), line);
    if (line == 11 && plan.contains('C'))
        QCOMPARE(saved(name(ending)), EarlierCopy);
    for (const QString &request : server->requests()) {
        const int n =
            QStringView(request).sliced(path.size() + field.start - 1, field.width).toInt();
        QVERIFY2(n <= last && n < ending + DownloadEngine::DefaultParallel, qPrintable(request));
    }
    QVERIFY(inOrder(states));
    QCOMPARE(states.count(1), first > last ? 0 : std::min(ending, last) - first + 1);
    auto *bar = control<QProgressBar>("ProgressBar1");
    QCOMPARE(bar->maximum(), std::max(1, last - first + 1));
    QCOMPARE(bar->value(), int(announced.size()));
    QVERIFY(!visible("Frame2"));
    QVERIFY(visible("Frame1"));
}

void MainFormTest::nothingFetched_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("line");
    QTest::newRow("empty pattern") << ""
                                   << "1"
                                   << "3" << 18;
    QTest::newRow("no placeholder") << "jpggif001.jpg"
                                    << "1"
                                    << "3" << 18;
    QTest::newRow("word first") << "a???.jpg"
                                << "abc"
                                << "3" << 0;
    QTest::newRow("empty last") << "a???.jpg"
                                << "1"
                                << "" << 0;
    QTest::newRow("first too large") << "a???.jpg"
                                     << "40000"
                                     << "40001" << 0;
    QTest::newRow("last too small") << "a???.jpg"
                                    << "1"
                                    << "-32769" << 0;
}

void MainFormTest::nothingFetched()
{
    QFETCH(QString, pattern);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, line);
    serve("/img/", "a???.jpg", "1..3W");
    startSeries(pattern, first, last);
    QVERIFY(server->requests().isEmpty());
    QCOMPARE(spokenLine(), line);
    QVERIFY(!visible("Frame2"));
}

void MainFormTest::abortEndsBeforeTheNextNumber()
{
    serve("/img/", "a???.jpg", "1..9W");
    int transfers = 0;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 1)
            ++transfers;
        if (state == 7 && transfers == 2)
            control<QPushButton>("CAbort")->click();
    });
    startSeries("a???.jpg", "1", "9");
    QCOMPARE(files(), (QStringList{"a001.jpg", "a002.jpg"}));
    QVERIFY(server->requests().size() <= 2 + DownloadEngine::DefaultParallel - 1);
    QCOMPARE(spokenLine(), 0);
    QVERIFY(visible("Frame2"));
    QVERIFY(visible("CGet"));
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
}

void MainFormTest::enterStartsTheRun()
{
    serve("/img/", "k???.jpg", "1W");
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
    serve("/img/", "g???.jpg", "1..3W");
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
    QStringList requests = server->requests();
    requests.sort();
    QCOMPARE(requests, (QStringList{"/img/g001.jpg", "/img/g002.jpg", "/img/g003.jpg"}));
    QVERIFY(visible("Frame1"));
}

void MainFormTest::closingDuringARun()
{
    serve("/img/", "c???.jpg", "1..5W");
    QPointer<MainForm> window = form;
    int transfers = 0;
    connect(form->findChild<Inet *>("Inet"), &Inet::StateChanged, this, [&](qint16 state) {
        if (state == 1)
            ++transfers;
        if (state == 7 && transfers == 2)
            window->close();
    });
    startSeries("c???.jpg", "1", "5");
    QCOMPARE(files(), QStringList{"c001.jpg"});
    QCOMPARE(spokenLine(), 0);
    QTRY_VERIFY(window.isNull());
    QVERIFY(!Forms::loaded<MainForm>());
}

void MainFormTest::endingTheProgramDuringARun()
{
    serve("/img/", "x???.jpg", "1W 3..5W");
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
