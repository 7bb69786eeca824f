#include "chat/mschatform.h"
#include "common/programfolder.h"
#include "mascot/form1.h"
#include "platform/forms.h"
#include "shell/frmbrowser.h"
#include "support/fakebrowser.h"
#include "support/fakes.h"
#include "support/testfolder.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

class Form1Test : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void greetsByTheHour_data();
    void greetsByTheHour();
    void captionAndButtons();
    void missingPictureKeepsTheDesign();
    void doubleClickEndsOnLine3();
    void command4AnswersAtRandom();
    void pageButtonsNavigateTheMainWindow_data();
    void pageButtonsNavigateTheMainWindow();
    void closingButtons_data();
    void closingButtons();
    void openingAgainDoesNotGreetAgain();

private:
    QPushButton *button(const char *name) { return m_form->findChild<QPushButton *>(name); }
    QString shownText() { return m_form->findChild<QPlainTextEdit *>("serihuText")->toPlainText(); }

    FakeClock m_clock;
    FakeBrowserEngines m_engines;
    std::optional<TestProgramFolder> m_folder;
    std::optional<Installed<Clock>> m_installedClock;
    std::optional<Installed<BrowserEngineFactory>> m_installedEngines;
    QPointer<Form1> m_form;
};

void Form1Test::init()
{
    m_folder.emplace();
    m_folder->installMascotLines();
    m_clock.time = QTime(15, 0);
    m_installedClock.emplace(m_clock);
    m_installedEngines.emplace(m_engines);
}

void Form1Test::cleanup()
{
    delete Forms::loaded<Form1>();
    delete Forms::loaded<frmBrowser>();
    m_installedClock.reset();
    m_installedEngines.reset();
    m_folder.reset();
}

void Form1Test::greetsByTheHour_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("line");
    QTest::newRow("00:00") << QTime(0, 0) << 24;
    QTest::newRow("05:59") << QTime(5, 59) << 24;
    QTest::newRow("06:00") << QTime(6, 0) << 9;
    QTest::newRow("11:59") << QTime(11, 59) << 9;
    QTest::newRow("12:00") << QTime(12, 0) << 21;
    QTest::newRow("12:59") << QTime(12, 59) << 21;
    QTest::newRow("13:00") << QTime(13, 0) << 10;
    QTest::newRow("17:59") << QTime(17, 59) << 10;
    QTest::newRow("18:00") << QTime(18, 0) << 8;
    QTest::newRow("23:59") << QTime(23, 59) << 8;
}

void Form1Test::greetsByTheHour()
{
    QFETCH(QTime, time);
    QFETCH(int, line);
    m_clock.time = time;
    m_form = Forms::instance<Form1>();
    QCOMPARE(m_form->shownLine(), qint16(line));
    QCOMPARE(shownText(), TestProgramFolder::lineText(line));
}

void Form1Test::captionAndButtons()
{
    m_form = Forms::instance<Form1>();
    m_form->show();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("KUOKUO登場にゃあ"));
    const QStringList captions = {"KUOKUOのホームページに行ってみる",
                                  "師匠のホームページに行ってみる",
                                  "KUOKUOとチャットでもしてみる",
                                  "このソフトの使い方の質問をする",
                                  "MS-CHATをしてみる",
                                  "KUOKUOとさよならする"};
    QList<QPushButton *> buttons;
    for (int i = 0; i < 6; ++i) {
        buttons << button(qPrintable(QStringLiteral("Command%1").arg(i + 1)));
        QCOMPARE(buttons.last()->text(), captions.at(i));
        QVERIFY(buttons.last()->isVisible());
    }
    // Two columns of three, below the balloon.
    const QWidget *balloon = m_form->findChild<QWidget *>("serihu");
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(buttons[i]->x(), buttons[0]->x());
        QCOMPARE(buttons[i + 3]->x(), buttons[3]->x());
        QCOMPARE(buttons[i]->y(), buttons[i + 3]->y());
        QVERIFY(buttons[i]->y() > balloon->geometry().bottom());
    }
    QVERIFY(buttons[0]->y() < buttons[1]->y() && buttons[1]->y() < buttons[2]->y());
    QVERIFY(buttons[0]->geometry().right() < buttons[3]->x());
    for (QPushButton *b : buttons)
        QVERIFY(b->width() >= b->sizeHint().width()); // no caption cut off
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void Form1Test::missingPictureKeepsTheDesign()
{
    m_clock.time = QTime(6, 0);
    QVERIFY(QFile::remove(m_folder->file("cat9.png")));
    m_form = Forms::instance<Form1>();
    QCOMPARE(m_form->shownLine(), qint16(0));
    QCOMPARE(shownText(), QStringLiteral("KUOKUOにゃー"));
    QLabel *cat = m_form->findChild<QLabel *>("kuokuo");
    QCOMPARE(cat->pixmap().toImage(), MascotWindow::designPicture().toImage());
}

void Form1Test::doubleClickEndsOnLine3()
{
    m_form = Forms::instance<Form1>();
    m_form->show();
    QTest::mouseDClick(m_form->findChild<QLabel *>("kuokuo"), Qt::LeftButton);
    QCOMPARE(m_form->shownLine(), qint16(3));
    QCOMPARE(shownText(), TestProgramFolder::lineText(3));
}

void Form1Test::command4AnswersAtRandom()
{
    m_form = Forms::instance<Form1>();
    m_form->show();
    QSet<int> seen;
    for (int i = 0; i < 60; ++i) {
        button("Command4")->click();
        seen.insert(m_form->shownLine());
        QCOMPARE(shownText(), TestProgramFolder::lineText(m_form->shownLine()));
    }
    QCOMPARE(seen, (QSet<int>{22, 16, 14}));
    QVERIFY(m_form->isVisible());
    QVERIFY(!Forms::loaded<frmBrowser>()); // no page opened
}

void Form1Test::pageButtonsNavigateTheMainWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address"); // relative to the program folder
    QTest::newRow("Command1") << "Command1"
                              << "/kuokuohp.html#kuokuo";
    QTest::newRow("Command2") << "Command2"
                              << "/kuokuohp.html#shishou";
    QTest::newRow("Command3: a plain path") << "Command3"
                                            << "/mschat.html";
}

void Form1Test::pageButtonsNavigateTheMainWindow()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    const QString expected = address.contains('#')
                                 ? QUrl::fromLocalFile(m_folder->path()).toString() + address
                                 : m_folder->path() + address;
    frmBrowser *browser = Forms::instance<frmBrowser>();
    QVERIFY(!browser->isVisible());
    m_form = Forms::instance<Form1>();
    m_form->show();

    button(qPrintable(name))->click();
    QCOMPARE(browser->cboAddress()->currentText(), expected);
    QVERIFY(browser->isVisible());
    QCOMPARE(m_engines.latest->calls, QStringList{"load|" + expected});
    QTRY_VERIFY(m_form.isNull());
}

void Form1Test::closingButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("chatWindow");
    QTest::newRow("Command5") << "Command5" << true;
    QTest::newRow("Command6") << "Command6" << false;
}

void Form1Test::closingButtons()
{
    QFETCH(QString, name);
    QFETCH(bool, chatWindow);
    m_form = Forms::instance<Form1>();
    m_form->show();
    button(qPrintable(name))->click();
    QTRY_VERIFY(m_form.isNull());
    QVERIFY(!Forms::loaded<frmBrowser>());
    QPointer<mschatform> chat = Forms::loaded<mschatform>();
    QCOMPARE(!chat.isNull(), chatWindow);
    if (chat) {
        QVERIFY(chat->isVisible());
        delete chat;
    }
}

void Form1Test::openingAgainDoesNotGreetAgain()
{
    m_clock.time = QTime(8, 0);
    m_form = Forms::instance<Form1>();
    m_form->show();
    button("Command4")->click();
    const qint16 answer = m_form->shownLine();
    m_clock.time = QTime(20, 0);
    QCOMPARE(Forms::instance<Form1>(), m_form.data());
    QCOMPARE(m_form->shownLine(), answer);

    m_form->close(); // the next show loads afresh and greets by the hour then
    QTRY_VERIFY(m_form.isNull());
    QCOMPARE(Forms::instance<Form1>()->shownLine(), qint16(8));
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
