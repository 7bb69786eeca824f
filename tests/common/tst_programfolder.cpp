#include "common/programfolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

class ProgramFolderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void choosesExecutableFolderWhenWritable();
    void fallsBackToPerUserFolder();
    void joinsWithOneSeparator_data();
    void joinsWithOneSeparator();
};

void ProgramFolderTest::choosesExecutableFolderWhenWritable()
{
    QTemporaryDir exe;
    QCOMPARE(ProgramFolder::choose(exe.path() + "/", "/per/user"), exe.path());
}

void ProgramFolderTest::fallsBackToPerUserFolder()
{
    QTemporaryDir dir;
    QCOMPARE(ProgramFolder::choose(dir.filePath("missing"), "/per/user"), QString("/per/user"));
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
