#include "support/session.h"

class KuokuoformTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_session.emplace(); }
    void cleanup() { m_session.reset(); }
    void speaks()
    {
        const QString texts =
            "kuokuoform=KUOKUOメッセージにゃあ;Command7=わかった！;Command6=KUOKUOとさよならする";
        QCOMPARE(shownTexts(Forms::instance<kuokuoform>(), texts), texts);
        QCOMPARE(shownLine(form()), 7); // its load
        QVERIFY(button("Command7")->isVisibleTo(form()) &&
                !button("Command6")->isVisibleTo(form()));
        // A lines file written on Windows names its pictures with "\".
        QVERIFY(QDir(m_session->folder.path()).mkdir("pics"));
        QVERIFY(QFile::rename(m_session->folder.file("cat25.png"),
                              m_session->folder.file("pics/cat.png")));
        QByteArray lines = m_session->folder.read(FileNames::Lines);
        QVERIFY(
            m_session->folder.write(FileNames::Lines, lines.replace("cat25.png", "pics\\cat.png")));
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
        QSet<int> seen;
        for (int i = 0; i < 60; ++i) {
            QTest::mouseClick(cat(), Qt::LeftButton);
            seen.insert(shownLine(form()));
        }
        QCOMPARE(seen, (QSet<int>{12, 15, 19}));
        QTest::mouseDClick(cat(), Qt::LeftButton);
        QCOMPARE(shownLine(form()), 3);
    }

private:
    static kuokuoform *form() { return Forms::show<kuokuoform>(); }
    static QPushButton *button(const char *name) { return form()->findChild<QPushButton *>(name); }
    static QLabel *cat() { return form()->findChild<QLabel *>("kuokuo"); }

    std::optional<TestSession> m_session;
};

QTEST_MAIN(KuokuoformTest)
#include "tst_kuokuoform.moc"
