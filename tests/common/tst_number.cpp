#include "common/number.h"

#include <QtTest>

using namespace kuokuo;

class NumberTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toInt16_data();
    void toInt16();
    void leadingNumber_data();
    void leadingNumber();
};

void NumberTest::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << "1" << true << 1;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("plus sign") << "+12" << true << 12;
    QTest::newRow("minus sign") << "-5" << true << -5;
    QTest::newRow("surrounding spaces") << "  42 " << true << 42;
    QTest::newRow("largest") << "32767" << true << 32767;
    QTest::newRow("smallest") << "-32768" << true << -32768;
    QTest::newRow("one above") << "32768" << false << 0;
    QTest::newRow("one below") << "-32769" << false << 0;
    QTest::newRow("fraction down") << "2.4" << true << 2;
    QTest::newRow("fraction up") << "2.6" << true << 3;
    QTest::newRow("half to even down") << "2.5" << true << 2;
    QTest::newRow("half to even up") << "3.5" << true << 4;
    QTest::newRow("negative half to even") << "-2.5" << true << -2;
    QTest::newRow("minus half") << "-0.5" << true << 0;
    QTest::newRow("point first") << ".5" << true << 0;
    QTest::newRow("point last") << "7." << true << 7;
    QTest::newRow("rounds into range") << "32766.5" << true << 32766;
    QTest::newRow("rounds out of range") << "32767.5" << false << 0;
    QTest::newRow("huge") << "99999999999999999999999" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("only spaces") << "   " << false << 0;
    QTest::newRow("word") << "abc" << false << 0;
    QTest::newRow("trailing letters") << "12a" << false << 0;
    QTest::newRow("exponent") << "1e3" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("two points") << "1.2.3" << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("inner space") << "1 2" << false << 0;
    QTest::newRow("full-width digits") << "１２" << false << 0;
}

void NumberTest::toInt16()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<qint16> result = kuokuo::toInt16(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(int(*result), value);
}

void NumberTest::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("count") << "3" << 3.0;
    QTest::newRow("trailing text") << "12abc" << 12.0;
    QTest::newRow("leading spaces") << "  4" << 4.0;
    QTest::newRow("fraction") << "2.5" << 2.5;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("exponent") << "1e2" << 100.0;
    QTest::newRow("word") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("huge stays huge") << "1e400" << qInf();
}

void NumberTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(kuokuo::leadingNumber(text), value);
}

QTEST_GUILESS_MAIN(NumberTest)
#include "tst_number.moc"
