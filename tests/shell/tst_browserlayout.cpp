#include "shell/browserlayout.h"

#include <QtTest>

using namespace kuokuo;

class BrowserLayoutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resizeRule_data();
    void resizeRule();
    void twips_data();
    void twips();
};

void BrowserLayoutTest::resizeRule_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("comboWidth"); // -1: the address box keeps its width
    QTest::addColumn<int>("browserWidth");
    QTest::addColumn<int>("browserHeight");

    QTest::newRow("initial client area") << 10770 << 8835 << 10670 << 10670 << 7385;
    QTest::newRow("1000 wide") << 1000 << 8835 << 900 << 900 << 7385;
    QTest::newRow("exactly the margins") << 100 << 1450 << 0 << 0 << 0;
    QTest::newRow("minimized") << 0 << 0 << -1 << 10770 << 8835;
    QTest::newRow("too narrow") << 99 << 8835 << -1 << 10770 << 8835;
    QTest::newRow("too low: the box keeps its new width") << 5000 << 1449 << 4900 << 10770 << 8835;
}

void BrowserLayoutTest::resizeRule()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, comboWidth);
    const BrowserLayout layout = formResizeLayout(width, height);
    QCOMPARE(layout.comboWidth.value_or(-1), comboWidth);
    QTEST(layout.browserWidth, "browserWidth");
    QTEST(layout.browserHeight, "browserHeight");
}

void BrowserLayoutTest::twips_data()
{
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("96 dpi") << 96.0 << 10770 << 718;
    QTest::newRow("96 dpi, label") << 96.0 << 255 << 17;
    QTest::newRow("144 dpi") << 144.0 << 675 << 68;
    QTest::newRow("192 dpi") << 192.0 << 8835 << 1178;
}

void BrowserLayoutTest::twips()
{
    QFETCH(qreal, dpi);
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips, dpi), pixels);
    QVERIFY(qAbs(pixelsToTwips(pixels, dpi) - twips) <= 1440 / dpi);
}

QTEST_GUILESS_MAIN(BrowserLayoutTest)
#include "tst_browserlayout.moc"
