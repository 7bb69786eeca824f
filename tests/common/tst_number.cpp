#include "common/number.h"

#include <QtTest>

class NumberTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toInt16()
    {
        // A fraction goes to the nearest integer, a half to the even one; 99999: not a number.
        const std::pair<const char *, int> rows[] = {
            {" +42 ", 42}, {"-32768", -32768}, {"32767", 32767}, {"32768", 99999}, {"2.5", 2},
            {"3.5", 4},    {"-2.5", -2},       {"2.6", 3},       {".5", 0},        {"7.", 7},
            {"", 99999},   {"12a", 99999},     {"1e3", 99999},   {"1 2", 99999},   {"１２", 99999}};
        for (const auto &[text, value] : rows) {
            const std::optional<qint16> number = kuokuo::toInt16(QString::fromUtf8(text));
            QCOMPARE(QString(text) + "=" + QString::number(number ? int(*number) : 99999),
                     QString(text) + "=" + QString::number(value));
        }
    }
};

QTEST_GUILESS_MAIN(NumberTest)
#include "tst_number.moc"
