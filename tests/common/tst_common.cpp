#include "common/listfile.h"
#include "common/number.h"
#include "common/programfolder.h"
#include "common/textfile.h"
#include "support/rows.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace kuokuo;
using namespace kuokuo::test;

// The pieces every subsystem uses: text files, list files, numbers and the program folder.
class CommonTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reads_data()
    {
        // name|the bytes (text in CP932)|fields to read (0: whole lines to the end)|what is read,
        // joined by ";", then "/" and the rest of the line
        rows({"CR LF|a\r\nb\r\n|0|a;b", "lone LF, lone CR, no end|a\nb\rc|0|a;b;c",
              "fields of the lines file|\"cat1.gif\",\"\",\"猫\"\r\nnext|3|cat1.gif;;猫/next",
              "quoted field keeps commas|\"a,b\",x\r\nz|2|a,b;x/z",
              "after the quote skipped to the comma|\"a\"junk,\"b\"more\r\nz|2|a;b/z",
              "leading spaces skipped|   \"a\",  b\r\nz|2|a;b/z",
              "across line ends, empty line consumed|[m]\r\nb\n\r\nz|3|[m];b;/z"});
    }
    void reads()
    {
        const int fields = row()[1].toInt();
        TextReader reader(*encodeCp932(row()[0]));
        QStringList read;
        for (QString piece;
             fields ? read.size() < fields && reader.readField(piece) : reader.readLine(piece);)
            read << piece;
        QString rest;
        QCOMPARE(read.join(';') + (reader.readLine(rest) ? "/" + rest : ""), row()[2]);
    }
    void cp932()
    {
        // Wave dash, circled digit, half-width kana and the full-width space as Windows writes
        // them; backslash and tilde stay ASCII.
        const QString text = QStringLiteral("～①ﾊﾞ　c:\\a~b");
        TextWriter writer;
        QVERIFY(writer.writeLine(text));
        QCOMPARE(writer.bytes(), QByteArray("\x81\x60\x87\x40\xca\xde\x81\x40"
                                            "c:\\a~b\r\n"));
        QCOMPARE(decodeCp932(writer.bytes()), text + "\r\n");
        QVERIFY(!writer.writeLine(QStringLiteral("http://example/😺"))); // never written as "?"
        QVERIFY(!writer.ok() && !writer.bytes().contains('?'));
        // An address CP932 cannot hold is kept as the same address.
        QCOMPARE(percentEncodeOutsideCp932(QStringLiteral("/München/😺/～ねこ%41")),
                 QStringLiteral("/M%C3%BCnchen/%F0%9F%98%BA/～ねこ%41"));
    }
    void saves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("kuekuenavi.ini");
        const auto modeAfterSave = [&](int umask) {
            const mode_t previous = ::umask(mode_t(umask));
            const bool saved = saveFileAtomically(path, "new\r\n");
            ::umask(previous);
            struct stat info = {};
            return saved && ::stat(QFile::encodeName(path), &info) == 0 ? info.st_mode & 07777 : 0;
        };
        // A new file gets 0666 less the umask; a replaced file keeps its mode, read-only too.
        QCOMPARE(modeAfterSave(027), 0640u);
        QVERIFY(::chmod(QFile::encodeName(path), 0444) == 0);
        QCOMPARE(modeAfterSave(077), 0444u);
        // A file is read up to its cap, not a byte more.
        QByteArray bytes;
        QVERIFY(readWholeFile(path, bytes, 5) && bytes == "new\r\n" &&
                !readWholeFile(path, bytes, 4));
    }

    void load_data()
    {
        // name|the file's lines, joined by "/" (none: no file)|its entries, joined by "/", or
        // "fails": the load fails
        const QString x50 = QString("x/").repeated(50);
        rows({"missing file||fails", "marker not examined|[x]/2/a/ねこ//|a/ねこ",
              "count 0 reads no entry|[m]/0/stray//|", "count not a number is 0|[m]/abc//|",
              "count 2.6 with trailing text rounds to 3|[m]/2.6 entries/a/b/c//|a/b/c",
              "count 2.5 rounds to 2|[m]/2.5/a/b//|a/b",
              "count 3.5 after blanks rounds to 4|[m]/ \t3.5/a/b/c/d//|a/b/c/d",
              "fewer lines than the count|[m]/3/a/b//|fails",
              "missing closing line|[m]/2/a/b/|fails",
              "count at the capacity|[m]/50/" + x50 + "/|" + x50.chopped(1),
              "count above the capacity|[m]/51/" + x50 + "x//|fails"});
    }
    void load()
    {
        QByteArray lines = *encodeCp932(row()[0]);
        QTemporaryDir dir;
        const ListFile list = ListFile::servers(dir.path());
        QVERIFY(lines.isEmpty() || saveFileAtomically(list.path(), lines.replace('/', "\r\n")));
        const std::optional<QStringList> loaded = list.load();
        QCOMPARE(loaded ? loaded->join('/') : QStringLiteral("fails"), row()[1]);
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

    void numbers()
    {
        // A fraction goes to the nearest integer, a half to the even one; 99999: not a number.
        const std::pair<const char *, int> rows[] = {
            {" +42 ", 42}, {"-32768", -32768}, {"32767", 32767}, {"32768", 99999}, {"2.5", 2},
            {"3.5", 4},    {"\t-2.5 ", -2},    {"2.6", 3},       {".5", 0},        {"7.", 7},
            {"", 99999},   {"12a", 99999},     {"1e3", 99999},   {"1 2", 99999},   {"１２", 99999}};
        for (const auto &[text, value] : rows) {
            const std::optional<qint16> number = kuokuo::toInt16(QString::fromUtf8(text));
            QCOMPARE(QString(text) + "=" + QString::number(number ? int(*number) : 99999),
                     QString(text) + "=" + QString::number(value));
        }
    }

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
        QVERIFY(QFile::setPermissions(top.filePath("copy"), QFile::ReadOwner | QFile::ExeOwner));
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        QCOMPARE(chosen("copy"), QString("/per/user"));
    }
};

QTEST_GUILESS_MAIN(CommonTest)
#include "tst_common.moc"
