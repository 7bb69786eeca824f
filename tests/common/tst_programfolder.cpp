#include "common/programfolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

class ProgramFolderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void chooses_data();
    void chooses();
    void joinsWithOneSeparator_data();
    void joinsWithOneSeparator();
};

void ProgramFolderTest::chooses_data()
{
    // Paths below a writable temporary folder; "/usr/share" as is (root can write there).
    QTest::addColumn<QString>("executableFolder");
    QTest::addColumn<bool>("portable");
    QTest::newRow("own folder") << "copy/" << true;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("installed to PREFIX/bin") << "prefix/bin" << false;
    QTest::newRow("under /usr") << "/usr/share" << false;
}

void ProgramFolderTest::chooses()
{
    QFETCH(QString, executableFolder);
    QFETCH(bool, portable);
    QTemporaryDir top;
    QVERIFY(QDir(top.path()).mkpath("copy") && QDir(top.path()).mkpath("prefix/bin"));
    const QString folder = QDir(top.path()).filePath(executableFolder);
    QCOMPARE(ProgramFolder::choose(folder, "/per/user"),
             portable ? QDir::cleanPath(folder) : QString("/per/user"));
}

void ProgramFolderTest::joinsWithOneSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/opt/kuokuo"
                           << "rad.rtp"
                           << "/opt/kuokuo/rad.rtp";
    QTest::newRow("trailing separator") << "/opt/kuokuo/"
                                        << "rad.rtp"
                                        << "/opt/kuokuo/rad.rtp";
    QTest::newRow("root") << "/"
                          << "a.jpg"
                          << "/a.jpg";
}

void ProgramFolderTest::joinsWithOneSeparator()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(ProgramFolder::join(folder, name), path);
    ProgramFolder::setPath(folder);
    QCOMPARE(ProgramFolder::file(name), path);
}

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "tst_programfolder.moc"
