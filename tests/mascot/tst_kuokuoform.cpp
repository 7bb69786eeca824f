#include "common/filenames.h"
#include "mascot/kuokuoform.h"
#include "platform/forms.h"
#include "support/testfolder.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace kuokuo;
using kuokuo::test::TestProgramFolder;

class KuokuoformTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void loadShowsLine7();
    void loadWithoutLinesFileKeepsDesign();
    void speakShowsTheWindowAndTheLine();
    void linesThatCannotShowChangeNothing_data();
    void linesThatCannotShowChangeNothing();
    void clickAndDoubleClickOnTheCat();
    void command7Closes();
    void farewellThenCommand6DeletesWorkingFilesAndEnds();

private:
    static QString shownText(kuokuoform *form)
    {
        return form->findChild<QPlainTextEdit *>("serihuText")->toPlainText();
    }
};

void KuokuoformTest::cleanup()
{
    delete Forms::loaded<kuokuoform>();
    Forms::resetEnding();
}

void KuokuoformTest::loadShowsLine7()
{
    TestProgramFolder folder;
    folder.installMascotLines();
    kuokuoform *form = Forms::instance<kuokuoform>();
    QCOMPARE(form->windowTitle(), QStringLiteral("KUOKUOメッセージにゃあ"));
    QCOMPARE(form->shownLine(), qint16(7));
    QCOMPARE(shownText(form), TestProgramFolder::lineText(7));
    QVERIFY(form->findChild<QPushButton *>("Command7")->isVisibleTo(form));
    QVERIFY(!form->findChild<QPushButton *>("Command6")->isVisibleTo(form));
    QCOMPARE(form->findChild<QPushButton *>("Command7")->text(), QStringLiteral("わかった！"));
}

void KuokuoformTest::loadWithoutLinesFileKeepsDesign()
{
    TestProgramFolder folder;
    kuokuoform *form = Forms::instance<kuokuoform>();
    QCOMPARE(form->shownLine(), qint16(0));
    QCOMPARE(shownText(form), QStringLiteral("KUOKUOにゃー"));
    QCOMPARE(shownText(form).isEmpty(), false);
    form->kuokuoserihu(5); // an empty table: every show fails at the picture
    QCOMPARE(shownText(form), QStringLiteral("KUOKUOにゃー"));
}

void KuokuoformTest::speakShowsTheWindowAndTheLine()
{
    TestProgramFolder folder;
    folder.installMascotLines();
    speak(25);
    kuokuoform *form = Forms::loaded<kuokuoform>();
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QCOMPARE(form->shownLine(), qint16(25));
    QCOMPARE(shownText(form), TestProgramFolder::lineText(25));
    speak(1); // the same window speaks again
    QCOMPARE(Forms::loaded<kuokuoform>(), form);
    QCOMPARE(shownText(form), TestProgramFolder::lineText(1));
}

void KuokuoformTest::linesThatCannotShowChangeNothing_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("pictureToRemove");
    QTest::newRow("26") << 26 << QString();
    QTest::newRow("-1") << -1 << QString();
    QTest::newRow("32767") << 32767 << QString();
    QTest::newRow("missing picture") << 12 << "cat12.png";
    QTest::newRow("picture that is no picture") << 13 << "cat13.png";
}

void KuokuoformTest::linesThatCannotShowChangeNothing()
{
    QFETCH(int, line);
    QFETCH(QString, pictureToRemove);
    TestProgramFolder folder;
    folder.installMascotLines();
    if (!pictureToRemove.isEmpty()) {
        QVERIFY(QFile::remove(folder.file(pictureToRemove)));
        if (line == 13)
            QVERIFY(folder.write(pictureToRemove, "not a picture"));
    }
    kuokuoform *form = Forms::instance<kuokuoform>();
    const QPixmap before = form->findChild<QLabel *>("kuokuo")->pixmap();
    form->kuokuoserihu(qint16(line));
    QCOMPARE(form->shownLine(), qint16(7));
    QCOMPARE(shownText(form), TestProgramFolder::lineText(7));
    QCOMPARE(form->findChild<QLabel *>("kuokuo")->pixmap().toImage(), before.toImage());
}

void KuokuoformTest::clickAndDoubleClickOnTheCat()
{
    TestProgramFolder folder;
    folder.installMascotLines();
    kuokuoform *form = Forms::instance<kuokuoform>();
    form->show();
    QLabel *cat = form->findChild<QLabel *>("kuokuo");
    QSet<int> seen;
    for (int i = 0; i < 60; ++i) {
        QTest::mouseClick(cat, Qt::LeftButton);
        seen.insert(form->shownLine());
    }
    QCOMPARE(seen, (QSet<int>{12, 15, 19}));
    QTest::mouseDClick(cat, Qt::LeftButton);
    QCOMPARE(form->shownLine(), qint16(3));
    QCOMPARE(shownText(form), TestProgramFolder::lineText(3));
}

void KuokuoformTest::command7Closes()
{
    TestProgramFolder folder;
    folder.installMascotLines();
    speak(9);
    QPointer<kuokuoform> form = Forms::loaded<kuokuoform>();
    form->findChild<QPushButton *>("Command7")->click();
    QTRY_VERIFY(form.isNull()); // unloaded: the next show loads afresh
    QCOMPARE(Forms::loaded<kuokuoform>(), nullptr);
    speak(9);
    QCOMPARE(Forms::loaded<kuokuoform>()->shownLine(), qint16(9));
}

void KuokuoformTest::farewellThenCommand6DeletesWorkingFilesAndEnds()
{
    TestProgramFolder folder;
    folder.installMascotLines();
    const QStringList working = {FileNames::Servers, FileNames::Rooms, FileNames::Addresses,
                                 "other.rtp", "UPPER.RTP"};
    for (const QString &name : working)
        QVERIFY(folder.write(name, "x\r\n"));
    const QStringList kept = {FileNames::Settings, FileNames::SettingsBackup, "cat1.png", "rtp.txt",
                              "a.rtp.bak"};
    for (const QString &name : kept)
        if (!folder.exists(name))
            QVERIFY(folder.write(name, "keep"));

    Forms::instance<kuokuoform>()->farewell();
    QPointer<kuokuoform> form = Forms::loaded<kuokuoform>();
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowTitle(), QStringLiteral("それではまたあいましょうにゃあ"));
    QCOMPARE(form->shownLine(), qint16(7));
    QPushButton *command6 = form->findChild<QPushButton *>("Command6");
    QVERIFY(command6->isVisible());
    QCOMPARE(command6->text(), QStringLiteral("KUOKUOとさよならする"));
    QVERIFY(!form->findChild<QPushButton *>("Command7")->isVisible());

    QVERIFY(!Forms::ending());
    command6->click();
    QVERIFY(Forms::ending());
    for (const QString &name : working)
        QVERIFY2(!folder.exists(name), qPrintable(name));
    QVERIFY(!folder.exists(FileNames::Lines));
    for (const QString &name : kept)
        QVERIFY2(folder.exists(name), qPrintable(name));
    QTRY_VERIFY(form.isNull());
}

QTEST_MAIN(KuokuoformTest)
#include "tst_kuokuoform.moc"
