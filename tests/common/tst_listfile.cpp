#include "common/listfile.h"
#include "common/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

class ListFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
    void writtenBytes_data();
    void writtenBytes();
    void rewriteIsByteIdentical();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void addAndRemove();
    void capacities();

private:
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

void ListFileTest::load_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
    QTest::addColumn<int>("capacity");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("missing file") << QByteArray() << 50 << false << QStringList{};
    QTest::newRow("empty list") << QByteArray("[rad.rtp]\r\n0\r\n\r\n") << 100 << true
                                << QStringList{};
    QTest::newRow("two entries") << QByteArray("[rad.rtp]\r\n2\r\nhttp://a/\r\nhttp://b/\r\n\r\n")
                                 << 100 << true << QStringList{"http://a/", "http://b/"};
    QTest::newRow("marker not examined")
        << QByteArray("[whatever]\r\n1\r\nx\r\n\r\n") << 100 << true << QStringList{"x"};
    QTest::newRow("count with trailing text")
        << QByteArray("[m]\r\n1 entry\r\nx\r\n\r\n") << 100 << true << QStringList{"x"};
    QTest::newRow("count rounded half to even")
        << QByteArray("[m]\r\n2.5\r\na\r\nb\r\n\r\n") << 100 << true << QStringList{"a", "b"};
    QTest::newRow("count not a number reads no entry")
        << QByteArray("[m]\r\nabc\r\n\r\n") << 100 << true << QStringList{};
    QTest::newRow("count 0 does not read the next lines as entries")
        << QByteArray("[m]\r\n0\r\nstray\r\n") << 50 << true << QStringList{};
    QTest::newRow("negative count")
        << QByteArray("[m]\r\n-2\r\n\r\n") << 50 << true << QStringList{};
    QTest::newRow("fewer lines than the count")
        << QByteArray("[m]\r\n3\r\na\r\nb\r\n") << 100 << false << QStringList{};
    QTest::newRow("missing closing line")
        << QByteArray("[m]\r\n2\r\na\r\nb\r\n") << 100 << false << QStringList{};
    QTest::newRow("count above capacity")
        << QByteArray("[m]\r\n51\r\n") + QByteArray("x\r\n").repeated(51) + "\r\n"
        << 50 << false << QStringList{};
    QTest::newRow("huge count") << QByteArray("[m]\r\n1e400\r\n\r\n") << 50 << false
                                << QStringList{};
    QTest::newRow("only a marker") << QByteArray("[m]\r\n") << 50 << false << QStringList{};
    QTest::newRow("linux line ends")
        << QByteArray("[m]\n1\nabc\n\n") << 50 << true << QStringList{"abc"};
    QTest::newRow("japanese entry")
        << *encodeCp932(QStringLiteral("[m]\r\n1\r\nきょうと部屋\r\n\r\n")) << 50 << true
        << QStringList{QStringLiteral("きょうと部屋")};
    QTest::newRow("closing line may hold text")
        << QByteArray("[m]\r\n1\r\na\r\ntrailing\r\n") << 50 << true << QStringList{"a"};
}

void ListFileTest::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, capacity);
    QFETCH(bool, ok);
    QFETCH(QStringList, entries);
    QTemporaryDir dir;
    const ListFile list(dir.path(), "list.rtp", capacity);
    if (!bytes.isEmpty())
        QVERIFY(saveFileAtomically(list.path(), bytes));
    const std::optional<QStringList> loaded = list.load();
    QCOMPARE(loaded.has_value(), ok);
    if (ok)
        QCOMPARE(*loaded, entries);
}

void ListFileTest::writtenBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty address list")
        << "rad.rtp" << QStringList{} << QByteArray("[rad.rtp]\r\n0\r\n\r\n");
    QTest::newRow("server list") << "rmssaaba.rtp" << QStringList{"irc.example", " spaced "}
                                 << QByteArray(
                                        "[rmssaaba.rtp]\r\n2\r\nirc.example\r\n spaced \r\n\r\n");
    QTest::newRow("room list in cp932")
        << "rmsheya.rtp" << QStringList{QStringLiteral("部屋")}
        << QByteArray("[rmsheya.rtp]\r\n1\r\n\x95\x94\x89\xae\r\n\r\n");
}

void ListFileTest::writtenBytes()
{
    QFETCH(QString, name);
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const ListFile list(dir.path(), name, 50);
    QVERIFY(list.save(entries));
    QCOMPARE(readAll(list.path()), bytes);
}

void ListFileTest::rewriteIsByteIdentical()
{
    QTemporaryDir dir;
    const ListFile list = ListFile::addresses(dir.path());
    QStringList entries;
    for (int i = 0; i < 100; ++i)
        entries << QStringLiteral("http://host/%1/ページ～①ｱ").arg(i);
    QVERIFY(list.save(entries));
    const QByteArray first = readAll(list.path());
    const std::optional<QStringList> loaded = list.load();
    QVERIFY(loaded);
    QCOMPARE(*loaded, entries);
    QVERIFY(list.save(*loaded));
    QCOMPARE(readAll(list.path()), first);
}

void ListFileTest::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("emoji cannot be written in cp932") << QStringList{"a", "http://x/😺"};
    QTest::newRow("empty entry would end the section") << QStringList{"a", ""};
    QTest::newRow("line break inside an entry") << QStringList{"a\nb"};
    QTest::newRow("above capacity") << QStringList(51, "x");
}

void ListFileTest::failedSaveKeepsOldFile()
{
    QFETCH(QStringList, entries);
    QTemporaryDir dir;
    const ListFile list = ListFile::servers(dir.path());
    QVERIFY(list.save({"kept"}));
    const QByteArray before = readAll(list.path());
    QVERIFY(!list.save(entries));
    QCOMPARE(readAll(list.path()), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"rmssaaba.rtp"});
}

void ListFileTest::addAndRemove()
{
    QStringList list;
    QVERIFY(!addListEntry(list, QString()));
    QVERIFY(addListEntry(list, "srv"));
    QVERIFY(!addListEntry(list, "srv"));
    QVERIFY(addListEntry(list, "SRV"));  // case differs: a new entry
    QVERIFY(addListEntry(list, " srv")); // a space differs: a new entry
    QVERIFY(addListEntry(list, "srv/"));
    QCOMPARE(list, (QStringList{"srv", "SRV", " srv", "srv/"}));

    QStringList twice{"a", "b", "a"};
    QCOMPARE(removeListEntry(twice, "a"), 0);
    QCOMPARE(twice, (QStringList{"b", "a"}));
    QCOMPARE(removeListEntry(twice, "c"), -1);
    QCOMPARE(twice, (QStringList{"b", "a"}));
}

void ListFileTest::capacities()
{
    QCOMPARE(ListFile::addresses("/x").capacity(), 100);
    QCOMPARE(ListFile::servers("/x").capacity(), 50);
    QCOMPARE(ListFile::rooms("/x").capacity(), 50);
    QCOMPARE(ListFile::addresses("/x").path(), QString("/x/rad.rtp"));
    QCOMPARE(ListFile::rooms("/x").marker(), QString("[rmsheya.rtp]"));
}

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
