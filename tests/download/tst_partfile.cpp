#include "download/partfile.h"

#include <QtTest>

using namespace kuokuo;

class PartFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void committedFileHasTheBytes();
    void replacesAnExistingFile();
    void uncommittedLeavesNothing();
    void folderInTheWayKeepsNothing();
    void missingFolderCannotOpen();
    void hiddenWhileArriving();

private:
    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden |
                                      QDir::NoDotAndDotDot);
    }
};

void PartFileTest::committedFileHasTheBytes()
{
    QTemporaryDir folder;
    PartFile part(folder.path());
    QVERIFY(part.open());
    QCOMPARE(part.device()->write("abc"), 3);
    QCOMPARE(part.device()->write(QByteArray(5000, 'x')), 5000);
    QVERIFY(part.commit(folder.filePath("a.jpg")));
    QCOMPARE(entries(folder.path()), QStringList{"a.jpg"});
    QFile file(folder.filePath("a.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("abc") + QByteArray(5000, 'x'));
}

void PartFileTest::replacesAnExistingFile()
{
    QTemporaryDir folder;
    QFile old(folder.filePath("a.jpg"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(10000, 'o'));
    old.close();

    PartFile part(folder.path());
    QVERIFY(part.open());
    part.device()->write("new");
    QVERIFY(part.commit(folder.filePath("a.jpg")));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("new"));
    QCOMPARE(entries(folder.path()), QStringList{"a.jpg"});
}

void PartFileTest::uncommittedLeavesNothing()
{
    QTemporaryDir folder;
    {
        PartFile part(folder.path());
        QVERIFY(part.open());
        part.device()->write("half a file");
    }
    QCOMPARE(entries(folder.path()), QStringList{});

    PartFile dropped(folder.path());
    QVERIFY(dropped.open());
    dropped.discard();
    QCOMPARE(entries(folder.path()), QStringList{});
}

void PartFileTest::folderInTheWayKeepsNothing()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("a.jpg"));
    PartFile part(folder.path());
    QVERIFY(part.open());
    part.device()->write("bytes");
    QVERIFY(!part.commit(folder.filePath("a.jpg")));
    QCOMPARE(entries(folder.path()), QStringList{"a.jpg"});
    QVERIFY(QFileInfo(folder.filePath("a.jpg")).isDir());
}

void PartFileTest::missingFolderCannotOpen()
{
    QTemporaryDir folder;
    PartFile part(folder.filePath("missing"));
    QVERIFY(!part.open());
    QVERIFY(!part.commit(folder.filePath("missing/a.jpg")));
}

void PartFileTest::hiddenWhileArriving()
{
    QTemporaryDir folder;
    PartFile part(folder.path());
    QVERIFY(part.open());
    part.device()->write(QByteArray(100000, 'x'));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{});
}

QTEST_APPLESS_MAIN(PartFileTest)
#include "tst_partfile.moc"
