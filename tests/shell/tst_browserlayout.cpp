#include "shell/browserlayout.h"

#include <QtTest>

using namespace kuokuo;

class BrowserLayoutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resizeRule()
    {
        // Client area in twips: address box width (-1: kept), browser width x height.
        const auto layout = [](int width, int height) {
            const BrowserLayout l = formResizeLayout(width, height);
            return QString("%1 %2x%3")
                .arg(l.comboWidth.value_or(-1))
                .arg(l.browserWidth)
                .arg(l.browserHeight);
        };
        QCOMPARE(layout(10770, 8835), "10670 10670x7385");
        QCOMPARE(layout(1000, 8835), "900 900x7385");
        QCOMPARE(layout(100, 1450), "0 0x0");
        QCOMPARE(layout(0, 0), "-1 10770x8835"); // minimized: the fallback size
        QCOMPARE(layout(5000, 1449), "4900 10770x8835");
        QCOMPARE(twipsToPixels(10770, 96), 718); // 15 twips a pixel
        QCOMPARE(twipsToPixels(675, 144), 68);   // 67.5: rounded, not cut
        QCOMPARE(pixelsToTwips(68, 144), 680);
    }
};

QTEST_GUILESS_MAIN(BrowserLayoutTest)
#include "tst_browserlayout.moc"
