#include "common/textfile.h"
#include "mascot/serihu.h"
#include "support/rows.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

class SerihuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data()
    {
        // name|whether it reads (the file has its closing line)|lines 1 to this one hold the
        // file's words, the rest stay (the file ends before the next)
        rows({"whole file|1|25", "no closing line: read, yet a failure|0|25",
              "shorter than 25 lines|0|5"});
    }
    void load()
    {
        const int read = row()[1].toInt();
        QByteArray bytes = linesFile("B", row()[0] == "1");
        bytes.truncate(read < 25 ? bytes.indexOf("\"p6") : bytes.size());
        Serihuhyou table;
        QVERIFY(saveFileAtomically(m_path, linesFile("A")) && table.serihuyomikomi(m_path));
        QVERIFY(saveFileAtomically(m_path, bytes));
        QCOMPARE(table.serihuyomikomi(m_path), row()[0] == "1");
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
