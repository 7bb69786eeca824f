#include "download/partfile.h"
#include "support/fulldisk.h"

#include <QtTest>

#include <sys/stat.h>

using namespace kuokuo;

namespace {
const QByteArray Bytes = "abc" + QByteArray(5000, 'x');

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeOld(const QString &path, mode_t mode = 0644)
{
    QFile old(path);
    return old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush() &&
           ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// The bytes through a part file in `folder` under `path`; the part file is gone afterwards.
bool download(const QString &folder, const QString &path)
{
    PartFile part(folder);
    if (!part.open() || part.device()->write(Bytes) != Bytes.size())
        return false;
    // Nothing shows under a name a file list lists while the bytes arrive.
    return !QDir(folder).entryList(QDir::Files).contains(QRegularExpression("part")) &&
           part.commit(path);
}
} // namespace

class PartFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commit_data();
    void commit();
    void fullDiskKeepsTheOldFile();
    void acrossFileSystems();
};

void PartFileTest::commit_data()
{
    QTest::addColumn<int>("oldMode"); // 0: no file of that name yet
    QTest::addColumn<int>("mode");
    QTest::newRow("new file, umask 027") << 0 << 0640;
    QTest::newRow("replaced file keeps its mode") << 0604 << 0604;
}

// A committed file stays whole once the part file has gone; one not committed leaves nothing.
void PartFileTest::commit()
{
    QFETCH(int, oldMode);
    QTemporaryDir folder;
    const QString path = folder.filePath("a.jpg");
    QVERIFY(!oldMode || writeOld(path, mode_t(oldMode)));
    {
        PartFile dropped(folder.path());
        QVERIFY(dropped.open() && dropped.device()->write(Bytes) == Bytes.size());
    }
    QCOMPARE(entries(folder.path()), oldMode ? QStringList{"a.jpg"} : QStringList());
    const mode_t umask = ::umask(027);
    const bool committed = download(folder.path(), path);
    ::umask(umask);
    QVERIFY(committed);
    QCOMPARE(entries(folder.path()), QStringList{"a.jpg"});
    QCOMPARE(contents(path), Bytes);
    struct stat info = {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
    QTEST(int(info.st_mode & 07777), "mode");
}

void PartFileTest::fullDiskKeepsTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("a.jpg");
    QVERIFY(writeOld(path));
    const auto work = [&] { return download(folder.path(), path); };
    QCOMPARE(kuokuo::test::onFullDisk(1000, work), std::optional<bool>(false));
    QCOMPARE(entries(folder.path()), QStringList{"a.jpg"});
    QCOMPARE(contents(path), QByteArray("old"));
}

// The download folder changed to another file system while the bytes were arriving.
void PartFileTest::acrossFileSystems()
{
    QTemporaryDir memory("/dev/shm/kuokuo-XXXXXX");
    QTemporaryDir disk;
    struct stat one = {}, other = {};
    if (!memory.isValid() || ::stat("/dev/shm", &one) != 0 ||
        ::stat(QFile::encodeName(disk.path()).constData(), &other) != 0 ||
        one.st_dev == other.st_dev)
        QSKIP("/dev/shm and the temporary folder are one file system");
    QVERIFY(download(memory.path(), disk.filePath("a.jpg")));
    QCOMPARE(entries(memory.path()) + entries(disk.path()), QStringList{"a.jpg"});
    QCOMPARE(contents(disk.filePath("a.jpg")), Bytes);
}

QTEST_APPLESS_MAIN(PartFileTest)
#include "tst_partfile.moc"
