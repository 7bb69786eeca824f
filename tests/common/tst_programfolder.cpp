#include "common/programfolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using kuokuo::ProgramFolder;

class ProgramFolderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void choosesTheFolderOfAPortableCopyOnly()
    {
        QTemporaryDir top;
        QVERIFY(QDir(top.path()).mkpath("copy") && QDir(top.path()).mkpath("prefix/bin"));
        const auto chosen = [&](const QString &folder) {
            return ProgramFolder::choose(QDir(top.path()).filePath(folder), "/per/user");
        };
        QCOMPARE(chosen("copy/"), top.path() + "/copy");
        QCOMPARE(chosen("missing"), QString("/per/user"));
        QCOMPARE(chosen("prefix/bin"), QString("/per/user")); // an installed program
        QCOMPARE(chosen("/usr/share"), QString("/per/user")); // which root can write to
    }
};

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "tst_programfolder.moc"
