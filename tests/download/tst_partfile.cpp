#include "download/partfile.h"
#include "support/fulldisk.h"
#include "support/rows.h"

#include <sys/stat.h>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
const QByteArray Bytes = "abc" + QByteArray(5000, 'x');

// Every entry of `folder`, hidden ones too, with its size and mode: "a.jpg 5003 644".
QString listing(const QString &folder)
{
    QStringList list;
    for (const QFileInfo &entry :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        struct stat info = {};
        ::stat(QFile::encodeName(entry.filePath()).constData(), &info);
        list << QStringLiteral("%1 %2 %3")
                    .arg(entry.fileName())
                    .arg(info.st_size)
                    .arg(info.st_mode & 0777, 0, 8);
    }
    return list.join(' ');
}

// The bytes through a part file in `folder` under `path`; the part file is gone afterwards.
bool download(const QString &folder, const QString &path)
{
    PartFile part(folder);
    // While the bytes arrive, no name shows that a file list lists.
    return part.open() && part.device()->write(Bytes) == Bytes.size() &&
           QDir(folder).entryList(QDir::Files).filter("part").isEmpty() && part.commit(path);
}
} // namespace

class PartFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ::umask(022); }
    void commit_data();
    void commit();
    void fullDiskKeepsTheOldFile();
    void acrossFileSystems();
};

void PartFileTest::commit_data()
{
    // name|mode of the file the bytes replace (0: none)|the folder afterwards
    rows({"new file|0|a.jpg 5003 644", "replaced file keeps its mode|0604|a.jpg 5003 604"});
}

// A committed file stays whole once its part file has gone; one not committed leaves nothing.
void PartFileTest::commit()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("a.jpg");
    QFile old(path);
    const int mode = row()[0].toInt(nullptr, 8);
    QVERIFY(!mode || (old.open(QIODevice::WriteOnly) && old.flush() &&
                      ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0));
    {
        PartFile dropped(folder.path());
        QVERIFY(dropped.open() && dropped.device()->write(Bytes) == Bytes.size());
    }
    QVERIFY(download(folder.path(), path));
    QCOMPARE(listing(folder.path()), row()[1]);
}

void PartFileTest::fullDiskKeepsTheOldFile()
{
    QTemporaryDir folder;
    QFile old(folder.filePath("a.jpg"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush());
    QCOMPARE(test::onFullDisk(1000, [&] { return download(folder.path(), old.fileName()); }),
             std::optional<bool>(false));
    QCOMPARE(listing(folder.path()), "a.jpg 3 644");
}

// The download folder changed to another file system while the bytes were arriving.
void PartFileTest::acrossFileSystems()
{
    QTemporaryDir memory("/dev/shm/kuokuo-XXXXXX"), disk;
    struct stat one = {}, other = {};
    if (!memory.isValid() || ::stat("/dev/shm", &one) != 0 ||
        ::stat(QFile::encodeName(disk.path()).constData(), &other) != 0 ||
        one.st_dev == other.st_dev)
        QSKIP("/dev/shm and the temporary folder are one file system");
    QVERIFY(download(memory.path(), disk.filePath("a.jpg")));
    QCOMPARE(listing(memory.path()) + "|" + listing(disk.path()), "|a.jpg 5003 644");
}

QTEST_APPLESS_MAIN(PartFileTest)
#include "tst_partfile.moc"
