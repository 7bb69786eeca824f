#include "download/partfile.h"
#include "support/fulldisk.h"

#include <QtTest>

#include <sys/stat.h>

using namespace kuokuo;
using kuokuo::test::onFullDisk;

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
    void fullDiskKeepsTheOldFile();
    void modes_data();
    void modes();

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

void PartFileTest::fullDiskKeepsTheOldFile()
{
    QTemporaryDir folder;
    QFile old(folder.filePath("a.jpg"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old bytes");
    old.close();
    const std::optional<bool> committed = onFullDisk(1000, [&] {
        PartFile part(folder.path());
        return part.open() && part.device()->write(QByteArray(5000, 'x')) == 5000 &&
               part.commit(folder.filePath("a.jpg"));
    });
    QCOMPARE(committed, std::optional<bool>(false));
    QCOMPARE(entries(folder.path()), QStringList{"a.jpg"});
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old bytes"));
}

void PartFileTest::modes_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("oldMode"); // 0: a new file
    QTest::addColumn<int>("mode");
    QTest::newRow("new file, umask 022") << 022 << 0 << 0644;
    QTest::newRow("new file, umask 027") << 027 << 0 << 0640;
    QTest::newRow("replaced file keeps its mode") << 022 << 0604 << 0604;
}

void PartFileTest::modes()
{
    QFETCH(int, umask);
    QFETCH(int, oldMode);
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath("a.jpg"));
    if (oldMode) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QVERIFY(::chmod(path.constData(), mode_t(oldMode)) == 0);
    }
    const mode_t previous = ::umask(mode_t(umask));
    PartFile part(folder.path());
    const bool committed =
        part.open() && part.device()->write("bytes") == 5 && part.commit(folder.filePath("a.jpg"));
    ::umask(previous);
    QVERIFY(committed);
    struct stat info = {};
    QVERIFY(::stat(path.constData(), &info) == 0);
    QTEST(int(info.st_mode & 07777), "mode");
}

QTEST_APPLESS_MAIN(PartFileTest)
#include "tst_partfile.moc"
