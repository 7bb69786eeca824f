#include "common/textfile.h"
#include "mascot/serihu.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;

class SerihuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("read"); // lines 1 to `read` hold the file's words, the rest stay
        QTest::newRow("whole file") << linesFile("B") << true << 25;
        QTest::newRow("no closing line: read, yet a failure")
            << linesFile("B", false) << false << 25;
        QTest::newRow("shorter than 25 lines")
            << linesFile("B").left(linesFile("B").indexOf("\"p6")) << false << 5;
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, read);
        Serihuhyou table;
        QVERIFY(saveFileAtomically(m_path, linesFile("A")) && table.serihuyomikomi(m_path));
        QVERIFY(saveFileAtomically(m_path, bytes));
        QTEST(table.serihuyomikomi(m_path), "ok");
        for (int n = 1; n <= 25; ++n)
            QCOMPARE(table.entry(n).picture + " " + table.entry(n).text,
                     QStringLiteral("p%1.gif %2%1, にゃあ")
                         .arg(QString::number(n), n <= read ? "B" : "A"));
    }
    void show()
    {
        QVERIFY(
            saveFileAtomically(m_path, linesFile("A").replace("\"p2.gif\"", "\"pics\\cat.png\"")));
        Serihuhyou table;
        QVERIFY(table.serihuyomikomi(m_path));
        const auto shown = [&](int n) {
            const std::optional<SerihuLine> line =
                table.serihuhyouji(qint16(n), QStringLiteral("/prog"));
            return line ? line->picturePath + " " + line->text : QStringLiteral("nothing");
        };
        QCOMPARE(shown(25), QStringLiteral("/prog/p25.gif A25, にゃあ"));
        QCOMPARE(shown(2), QStringLiteral("/prog/pics/cat.png A2, にゃあ")); // written on Windows
        QCOMPARE(shown(26) + shown(-1), QStringLiteral("nothingnothing"));
    }
    void choices()
    {
        QString lines;
        for (int hour : {5, 6, 11, 12, 13, 17, 18})
            lines += QStringLiteral("%1h:%2 ").arg(hour).arg(aisatsubangou(hour));
        QCOMPARE(lines, QStringLiteral("5h:24 6h:9 11h:9 12h:21 13h:10 17h:10 18h:8 "));
        // The random answers to r = 1, 2 and 3.
        QCOMPARE(QList<int>({clickLine(1), clickLine(2), clickLine(3), questionLine(1),
                             questionLine(2), questionLine(3)}),
                 QList<int>({12, 15, 19, 22, 16, 14}));
        int counts[5] = {};
        for (int i = 0; i < 3000; ++i)
            ++counts[qBound(0, randmyvalue(3), 4)];
        QVERIFY(!counts[0] && counts[1] > 850 && counts[2] > 850 && counts[3] > 850 && !counts[4]);
    }

private:
    // A lines file of 25 lines whose words hold `tag`, commas and spaces.
    static QByteArray linesFile(const QString &tag, bool closingLine = true)
    {
        TextWriter writer;
        writer.writeLine(QStringLiteral("[kuekuoserihu.rtp]"));
        for (int n = 1; n <= 25; ++n)
            writer.writeLine(QStringLiteral("\"p%1.gif\",\"spare\" , \"%2%1, にゃあ\"")
                                 .arg(QString::number(n), tag));
        if (closingLine)
            writer.writeLine(QString());
        return writer.bytes();
    }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath("kuekuoserihu.rtp");
};

QTEST_GUILESS_MAIN(SerihuTest)
#include "tst_serihu.moc"
