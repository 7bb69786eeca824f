#include "common/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

class TextFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholeLines_data();
    void wholeLines();
    void fields_data();
    void fields();
    void cp932RoundTrip_data();
    void cp932RoundTrip();
    void unencodableTextFailsTheWrite();
    void percentEncodesWhatCp932CannotHold_data();
    void percentEncodesWhatCp932CannotHold();
    void atomicSaveKeepsOldFileOnFailure();
    void missingFileDoesNotOpen();
};

static QByteArray cp932(const QString &text)
{
    return *encodeCp932(text);
}

void TextFileTest::wholeLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lone lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("last line without end") << QByteArray("a\r\nlast") << QStringList{"a", "last"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n") << QStringList{"", "", "x"};
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("commas and quotes stay") << QByteArray("\"a\",b\r\n") << QStringList{"\"a\",b"};
    QTest::newRow("japanese") << cp932("猫のKUOKUO\r\nにゃあ")
                              << QStringList{"猫のKUOKUO", "にゃあ"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TextFileTest::wholeLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    TextReader reader(bytes);
    QStringList read;
    QString line;
    while (reader.readLine(line))
        read << line;
    QCOMPARE(read, lines);
    QVERIFY(reader.atEnd());
    QVERIFY(!reader.readLine(line)); // reading at the end fails
}

void TextFileTest::fields_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("restOfFile"); // what a whole-line read gives afterwards

    QTest::newRow("quoted fields of a lines-file line")
        << cp932("\"cat1.gif\",\"\",\"こんにちは\"\r\nnext\r\n")
        << QStringList{"cat1.gif", "", "こんにちは"} << "next";
    QTest::newRow("quoted field keeps commas")
        << QByteArray("\"a,b,c\",x\r\n") << QStringList{"a,b,c", "x"} << QString();
    QTest::newRow("text after closing quote skipped to the comma")
        << QByteArray("\"a\"junk,\"b\"more\r\nz") << QStringList{"a", "b"} << "z";
    QTest::newRow("leading spaces skipped")
        << QByteArray("   \"a\",  b\r\n") << QStringList{"a", "b"} << QString();
    QTest::newRow("unquoted field runs to the line end")
        << QByteArray("[marker]\r\nrest") << QStringList{"[marker]"} << "rest";
    QTest::newRow("fields run on across line ends")
        << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"} << QString();
    QTest::newRow("empty line gives an empty field and is consumed")
        << QByteArray("\r\nafter") << QStringList{""} << "after";
    QTest::newRow("quoted field without closing quote runs to the end")
        << QByteArray("\"open,ended\r\nstill") << QStringList{"open,ended\r\nstill"} << QString();
    QTest::newRow("quoted field holding a line end")
        << QByteArray("\"two\r\nlines\",x") << QStringList{"two\r\nlines", "x"} << QString();
    QTest::newRow("half-width kana and symbols")
        << cp932("\"ｱﾄﾞﾚｽ～①\",\"猫\"\r\n") << QStringList{"ｱﾄﾞﾚｽ～①", "猫"} << QString();
}

void TextFileTest::fields()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QFETCH(QString, restOfFile);
    TextReader reader(bytes);
    for (const QString &expected : fields) {
        QString field;
        QVERIFY(reader.readField(field));
        QCOMPARE(field, expected);
    }
    QString rest;
    if (restOfFile.isNull()) {
        QVERIFY(reader.atEnd());
        QString field;
        QVERIFY(!reader.readField(field)); // reading at the end fails
    } else {
        QVERIFY(reader.readLine(rest));
        QCOMPARE(rest, restOfFile);
    }
}

void TextFileTest::cp932RoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("japanese") << QStringLiteral("猫のKUOKUOがプラウザになって登場にゃあ！");
    QTest::newRow("wave dash") << QStringLiteral("～");
    QTest::newRow("circled one") << QStringLiteral("①");
    QTest::newRow("half-width kana") << QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報");
    QTest::newRow("full-width space") << QStringLiteral("KUOKU'S　VAVA");
    QTest::newRow("backslash and tilde stay ascii") << QStringLiteral("c:\\a~b");
}

void TextFileTest::cp932RoundTrip()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("t.rtp");
    TextWriter writer;
    QVERIFY(writer.writeLine(text));
    QVERIFY(saveFileAtomically(path, writer.bytes()));
    TextReader reader;
    QVERIFY(reader.open(path));
    QString line;
    QVERIFY(reader.readLine(line));
    QCOMPARE(line, text);
    QVERIFY(reader.atEnd());
    QVERIFY(writer.bytes().endsWith("\r\n"));
    if (text.contains(QLatin1Char('\\')))
        QVERIFY(writer.bytes().contains("c:\\a~b"));
}

void TextFileTest::unencodableTextFailsTheWrite()
{
    TextWriter writer;
    QVERIFY(writer.writeLine(QStringLiteral("ok")));
    QVERIFY(!writer.writeLine(QStringLiteral("http://example/😺")));
    QVERIFY(!writer.ok());
    QVERIFY(!writer.bytes().contains('?'));
}

void TextFileTest::percentEncodesWhatCp932CannotHold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("umlaut") << "http://de.wikipedia.org/wiki/München"
                            << "http://de.wikipedia.org/wiki/M%C3%BCnchen";
    QTest::newRow("outside the basic plane") << "/😺/"
                                             << "/%F0%9F%98%BA/";
    QTest::newRow("Japanese, ～ and % stay") << "http://h/～ねこ%41"
                                             << "http://h/～ねこ%41";
}

void TextFileTest::percentEncodesWhatCp932CannotHold()
{
    QFETCH(QString, text);
    QTEST(percentEncodeOutsideCp932(text), "encoded");
}

void TextFileTest::atomicSaveKeepsOldFileOnFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.rtp");
    QVERIFY(saveFileAtomically(path, "old\r\n"));
    QVERIFY(saveFileAtomically(path, "new\r\n"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("new\r\n"));

    // A folder standing where the file should be: the save fails and leaves no temporary file.
    const QString blocked = dir.filePath("blocked.rtp");
    QVERIFY(QDir(dir.path()).mkpath("blocked.rtp/inside"));
    QVERIFY(!saveFileAtomically(blocked, "new\r\n"));
    QVERIFY(QFileInfo(blocked).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"list.rtp"});
}

void TextFileTest::missingFileDoesNotOpen()
{
    QTemporaryDir dir;
    TextReader reader;
    QVERIFY(!reader.open(dir.filePath("missing.rtp")));
    QVERIFY(!reader.open(dir.path())); // a folder is no text file

    // A small file costs its size, not the size limit.
    QVERIFY(saveFileAtomically(dir.filePath("small.rtp"), "[rad.rtp]\r\n0\r\n\r\n"));
    QByteArray bytes;
    QVERIFY(readWholeFile(dir.filePath("small.rtp"), bytes));
    QCOMPARE(bytes, QByteArray("[rad.rtp]\r\n0\r\n\r\n"));
    QVERIFY(bytes.capacity() < 4096);
}

QTEST_GUILESS_MAIN(TextFileTest)
#include "tst_textfile.moc"
