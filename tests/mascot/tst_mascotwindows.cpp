#include "support/session.h"

// The cat's two windows: the message window every window speaks through, and the greeting.
class MascotWindowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_session.emplace(); }
    void cleanup() { m_session.reset(); }
    void greetsByTheClock()
    {
        const QString texts = QStringLiteral(
            "Form1=KUOKUO登場にゃあ;Command1=KUOKUOのホームページに行ってみる;"
            "Command2=師匠のホームページに行ってみる;Command3=KUOKUOとチャットでもしてみる;"
            "Command4=このソフトの使い方の質問をする;Command5=MS-CHATをしてみる;"
            "Command6=KUOKUOとさよならする");
        QCOMPARE(shownTexts(open(QTime(12, 59)), texts), texts);
        QCOMPARE(shownLine(m_form), 21);
        m_session->clock.time = QTime(20, 0); // open already: no new greeting
        QCOMPARE(shownLine(Forms::show<Form1>()), 21);
        click(m_form, "Command4"); // a question: one of three answers, no page opened
        QVERIFY(QSet<int>({22, 16, 14}).contains(shownLine(m_form)) &&
                !Forms::loaded<frmBrowser>());
        click(m_form, "Command6"); // the next show loads afresh and greets by the hour then
        QTRY_VERIFY(m_form.isNull());
        QCOMPARE(shownLine(open(QTime(5, 59))), 24);
    }
    void buttons()
    {
        // A page button shows its page in the navigator (a section of it as a file URL) and
        // closes the greeting; Command5 opens the chat window instead.
        const QString folder = m_session->folder.path();
        Forms::instance<frmBrowser>(); // the navigator runs
        for (const char *button : {"Command2", "Command3", "Command5"}) {
            click(open(), button);
            QTRY_VERIFY(m_form.isNull());
        }
        QCOMPARE(m_session->engines.log,
                 QStringList(
                     {"load|" + QUrl::fromLocalFile(folder).toString() + "/kuokuohp.html#shishou",
                      "load|" + folder + "/mschat.html"}));
        QVERIFY(isOpen<frmBrowser>() && isOpen<mschatform>());
    }
    void speaks()
    {
        const QString texts =
            "kuokuoform=KUOKUOメッセージにゃあ;Command7=わかった！;Command6=KUOKUOとさよならする";
        QCOMPARE(shownTexts(Forms::instance<kuokuoform>(), texts), texts);
        QCOMPARE(shownLine(form()), 7); // its load
        const QWidget *farewell = named<QPushButton>(form(), "Command6");
        QVERIFY(farewell && !farewell->isVisibleTo(form()));
        click(form(), "Command7");
        QTRY_VERIFY(!Forms::loaded<kuokuoform>()); // unloaded: the next show loads afresh
        speak(25);
        QVERIFY(form()->isVisible());
        QCOMPARE(shownLine(form()), 25);
        // A line without picture, or none at all, changes nothing.
        QVERIFY(QFile::remove(m_session->folder.file("cat12.png")));
        const QImage before = cat()->pixmap().toImage();
        for (int line : {12, 26, -1})
            form()->kuokuoserihu(qint16(line));
        QCOMPARE(shownLine(form()), 25);
        QCOMPARE(cat()->pixmap().toImage(), before);
    }
    void clicksOnTheCat()
    {
        QTest::mouseClick(cat(), Qt::LeftButton);
        QVERIFY(QSet<int>({12, 15, 19}).contains(shownLine(form())));
        QTest::mouseDClick(cat(), Qt::LeftButton);
        QCOMPARE(shownLine(form()), 3);
    }

private:
    static kuokuoform *form() { return Forms::show<kuokuoform>(); }
    static QLabel *cat() { return form()->findChild<QLabel *>("kuokuo"); }

    Form1 *open(QTime time = QTime(15, 0))
    {
        m_session->clock.time = time;
        return m_form = Forms::show<Form1>();
    }

    std::optional<TestSession> m_session;
    QPointer<Form1> m_form;
};

QTEST_MAIN(MascotWindowsTest)
#include "tst_mascotwindows.moc"
