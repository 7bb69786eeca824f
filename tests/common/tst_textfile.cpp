#include "common/textfile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kuokuo;

class TextFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fields");   // 0: whole lines to the end
        QTest::addColumn<QString>("read"); // joined by "|"; then "/" and the rest of the line
        const auto row = [](const char *name, const QByteArray &bytes, int fields,
                            const char *read) {
            QTest::newRow(name) << bytes << fields << QString::fromUtf8(read);
        };
        row("CR LF", "a\r\nb\r\n", 0, "a|b");
        row("lone LF, lone CR, no end", "a\nb\rc", 0, "a|b|c");
        row("empty lines kept", "\r\n\r\nx\r\n", 0, "||x");
        row("LF CR is two ends", "a\n\rb", 0, "a||b");
        row("fields of the lines file", "\"cat1.gif\",\"\",\"\x94\x4c\"\r\nnext", 3,
            "cat1.gif||猫/next");
        row("quoted field keeps commas", "\"a,b\",x\r\nz", 2, "a,b|x/z");
        row("after the quote skipped to the comma", "\"a\"junk,\"b\"more\r\nz", 2, "a|b/z");
        row("leading spaces skipped", "   \"a\",  b\r\nz", 2, "a|b/z");
        row("across line ends, empty line consumed", "[m]\r\nb\n\r\nz", 3, "[m]|b|/z");
    }
    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, fields);
        TextReader reader(bytes);
        QStringList read;
        for (QString piece;
             fields ? read.size() < fields && reader.readField(piece) : reader.readLine(piece);)
            read << piece;
        QString rest;
        QTEST(read.join('|') + (reader.readLine(rest) ? "/" + rest : ""), "read");
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
        // A new file gets 0666 less the umask; a replaced file keeps its mode.
        QCOMPARE(modeAfterSave(022), 0644u);
        QVERIFY(QFile::remove(path));
        QCOMPARE(modeAfterSave(077), 0600u);
        for (const mode_t mode : {0664, 0444}) {
            QVERIFY(::chmod(QFile::encodeName(path), mode) == 0);
            QCOMPARE(modeAfterSave(077), mode);
        }
    }
};

QTEST_GUILESS_MAIN(TextFileTest)
#include "tst_textfile.moc"
