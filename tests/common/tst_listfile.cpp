#include "common/listfile.h"
#include "common/textfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

class ListFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QByteArray>("lines"); // joined by "|"; empty: no file
        QTest::addColumn<QString>("entries");  // joined by "|"; "fails": the load fails
        const auto row = [](const char *name, const QByteArray &lines, const char *entries) {
            QTest::newRow(name) << *encodeCp932(QString::fromUtf8(lines))
                                << QString::fromUtf8(entries);
        };
        row("missing file", "", "fails");
        row("marker not examined", "[x]|2|a|ねこ||", "a|ねこ");
        row("count 0 reads no entry", "[m]|0|stray||", "");
        row("count not a number is 0", "[m]|abc||", "");
        row("count with trailing text", "[m]|1 entry|a||", "a");
        row("count 2.5 rounds to 2", "[m]|2.5|a|b||", "a|b");
        row("count 2.6 rounds to 3", "[m]|2.6|a|b|c||", "a|b|c");
        row("count 3.5 rounds to 4", "[m]|3.5|a|b|c|d||", "a|b|c|d");
        row("fewer lines than the count", "[m]|3|a|b||", "fails");
        row("missing closing line", "[m]|2|a|b|", "fails");
        row("count above the capacity", "[m]|51|" + QByteArray("x|").repeated(51) + "|", "fails");
    }
    void load()
    {
        QFETCH(QByteArray, lines);
        QTemporaryDir dir;
        const ListFile list = ListFile::servers(dir.path());
        QVERIFY(lines.isEmpty() || saveFileAtomically(list.path(), lines.replace('|', "\r\n")));
        const std::optional<QStringList> loaded = list.load();
        QTEST(loaded ? loaded->join('|') : QStringLiteral("fails"), "entries");
    }
    void save()
    {
        QTemporaryDir dir;
        const ListFile list = ListFile::rooms(dir.path());
        QVERIFY(list.save({"lobby", QStringLiteral("部屋～")}));
        QByteArray bytes;
        QVERIFY(readWholeFile(list.path(), bytes));
        QCOMPARE(bytes,
                 QByteArray("[rmsheya.rtp]\r\n2\r\nlobby\r\n\x95\x94\x89\xae\x81\x60\r\n\r\n"));
        // What would break the file or the settings file is not written; the old file stays.
        for (const QStringList &bad : {QStringList{"a", "http://x/😺"}, QStringList{"a", ""},
                                       QStringList{"a\nb"}, QStringList(51, "x")})
            QVERIFY2(!list.save(bad) && list.load() == QStringList({"lobby", "部屋～"}),
                     qPrintable(bad.join('|')));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"rmsheya.rtp"});
        // Entries are compared exactly: case and spaces count.
        QStringList entries{"srv", "SRV", "srv"};
        QVERIFY(!addListEntry(entries, QString()) && !addListEntry(entries, "srv"));
        QVERIFY(addListEntry(entries, "Srv") && addListEntry(entries, " srv"));
        QCOMPARE(removeListEntry(entries, "srv"), 0); // the first of two
        QCOMPARE(entries, QStringList({"SRV", "srv", "Srv", " srv"}));
    }
};

QTEST_GUILESS_MAIN(ListFileTest)
#include "tst_listfile.moc"
