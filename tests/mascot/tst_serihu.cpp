#include "common/textfile.h"
#include "mascot/serihu.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

namespace {
QByteArray linesFile(int blocks, const QString &tag, bool closingLine = true)
{
    TextWriter writer;
    writer.writeLine(QStringLiteral("[kuekuoserihu.rtp]"));
    for (int b = 0; b < blocks; ++b) {
        for (int n = 1; n <= 25; ++n)
            writer.writeLine(
                QStringLiteral("\"p%1.gif\",\"spare %1\",\"%2%3にゃあ\"").arg(n).arg(tag).arg(n));
        if (closingLine || b + 1 < blocks)
            writer.writeLine(QString());
    }
    return writer.bytes();
}
} // namespace

class SerihuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
    void laterLoadKeepsWhatItDoesNotReach();
    void textWithCommasIsWhole();
    void show_data();
    void show();
    void greetingByHour_data();
    void greetingByHour();
    void choices_data();
    void choices();
    void randmyvalueIsUniformOverOneToThree();
};

void SerihuTest::load_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("linesFilled"); // lines 1..k hold the "A" texts
    QTest::addColumn<QString>("line5");

    QTest::newRow("whole file") << linesFile(1, "A") << true << 25 << "A5にゃあ";
    QTest::newRow("missing file") << QByteArray() << false << 0 << QString();
    QTest::newRow("empty file") << QByteArray("") << false << 0 << QString();
    QTest::newRow("no closing empty line: lines kept, load fails")
        << linesFile(1, "A", false) << false << 25 << "A5にゃあ";
    QTest::newRow("second block overrides the first")
        << linesFile(2, "B") << true << 0 << "B5にゃあ";
    QTest::newRow("linux line ends")
        << linesFile(1, "A").replace("\r\n", "\n") << true << 25 << "A5にゃあ";
    QByteArray cut = linesFile(1, "A");
    cut.truncate(cut.indexOf("\"p6.gif\""));
    QTest::newRow("file shorter than 25 lines keeps the first five")
        << cut << false << 5 << "A5にゃあ";
}

void SerihuTest::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(int, linesFilled);
    QFETCH(QString, line5);
    QTemporaryDir dir;
    const QString path = dir.filePath("kuekuoserihu.rtp");
    if (!bytes.isNull())
        QVERIFY(saveFileAtomically(path, bytes));
    Serihuhyou table;
    QCOMPARE(table.serihuyomikomi(path), ok);
    QCOMPARE(table.entry(5).text, line5);
    for (int n = 1; n <= linesFilled; ++n) {
        QCOMPARE(table.entry(n).picture, QStringLiteral("p%1.gif").arg(n));
        QCOMPARE(table.entry(n).spare, QStringLiteral("spare %1").arg(n));
    }
    if (linesFilled < 25 && linesFilled > 0)
        QVERIFY(table.entry(linesFilled + 1).text.isEmpty());
}

void SerihuTest::laterLoadKeepsWhatItDoesNotReach()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lines.rtp");
    Serihuhyou table;
    QVERIFY(saveFileAtomically(path, linesFile(1, "A")));
    QVERIFY(table.serihuyomikomi(path));
    QByteArray cut = linesFile(1, "B");
    cut.truncate(cut.indexOf("\"p3.gif\""));
    QVERIFY(saveFileAtomically(path, cut));
    QVERIFY(!table.serihuyomikomi(path));
    QCOMPARE(table.entry(2).text, QStringLiteral("B2にゃあ"));
    QCOMPARE(table.entry(3).text, QStringLiteral("A3にゃあ"));
}

void SerihuTest::textWithCommasIsWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lines.rtp");
    QByteArray bytes = linesFile(1, "A");
    bytes.replace(*encodeCp932(QStringLiteral("A1にゃあ")),
                  *encodeCp932(QStringLiteral("こんにちは、KUOKUOだよ,にゃあ")));
    QVERIFY(saveFileAtomically(path, bytes));
    Serihuhyou table;
    QVERIFY(table.serihuyomikomi(path));
    QCOMPARE(table.entry(1).text, QStringLiteral("こんにちは、KUOKUOだよ,にゃあ"));
    QCOMPARE(table.entry(2).picture, QStringLiteral("p2.gif"));
}

void SerihuTest::show_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("picturePath");
    QTest::addColumn<QString>("text");

    QTest::newRow("first") << 1 << true << "/prog/p1.gif"
                           << "A1にゃあ";
    QTest::newRow("last") << 25 << true << "/prog/p25.gif"
                          << "A25にゃあ";
    QTest::newRow("26") << 26 << false << QString() << QString();
    QTest::newRow("-1") << -1 << false << QString() << QString();
    QTest::newRow("32767") << 32767 << false << QString() << QString();
    QTest::newRow("-32768") << -32768 << false << QString() << QString();
    // Entry 0 is no line: its picture is the program folder itself, which no picture loads from.
    QTest::newRow("0") << 0 << true << "/prog/" << QString();
}

void SerihuTest::show()
{
    QFETCH(int, n);
    QFETCH(bool, shown);
    QFETCH(QString, picturePath);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("lines.rtp");
    QVERIFY(saveFileAtomically(path, linesFile(1, "A")));
    Serihuhyou table;
    QVERIFY(table.serihuyomikomi(path));
    const std::optional<SerihuLine> line = table.serihuhyouji(qint16(n), QStringLiteral("/prog"));
    QCOMPARE(line.has_value(), shown);
    if (shown) {
        QCOMPARE(line->picturePath, picturePath);
        QCOMPARE(line->text, text);
    }
}

void SerihuTest::greetingByHour_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("line");
    const QList<QPair<int, int>> table = {{0, 24},  {5, 24},  {6, 9},  {11, 9}, {12, 21},
                                          {13, 10}, {17, 10}, {18, 8}, {23, 8}};
    for (const auto &[hour, line] : table)
        QTest::addRow("%02d h", hour) << hour << line;
}

void SerihuTest::greetingByHour()
{
    QFETCH(int, hour);
    QFETCH(int, line);
    QCOMPARE(int(aisatsubangou(hour)), line);
}

void SerihuTest::choices_data()
{
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("click");
    QTest::addColumn<int>("question");
    QTest::newRow("1") << 1 << 12 << 22;
    QTest::newRow("2") << 2 << 15 << 16;
    QTest::newRow("3") << 3 << 19 << 14;
    QTest::newRow("any other") << 0 << 19 << 14;
}

void SerihuTest::choices()
{
    QFETCH(int, r);
    QFETCH(int, click);
    QFETCH(int, question);
    QCOMPARE(int(clickLine(r)), click);
    QCOMPARE(int(questionLine(r)), question);
}

void SerihuTest::randmyvalueIsUniformOverOneToThree()
{
    constexpr int Calls = 30000;
    int counts[5] = {};
    for (int i = 0; i < Calls; ++i) {
        const int r = randmyvalue(3);
        QVERIFY2(r >= 1 && r <= 3, qPrintable(QString::number(r)));
        ++counts[r];
    }
    // Each value about a third: 10000 expected, a standard deviation of about 82.
    for (int r = 1; r <= 3; ++r)
        QVERIFY2(counts[r] > 9000 && counts[r] < 11000, qPrintable(QString::number(counts[r])));
}

QTEST_GUILESS_MAIN(SerihuTest)
#include "tst_serihu.moc"
