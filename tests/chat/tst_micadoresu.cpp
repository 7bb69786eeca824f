#include "chat/micadoresu.h"
#include "support/rows.h"

#include <QtTest>

using namespace kuokuo::test;

class MicadoresuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data()
    {
        // name|server|room|the address ("none": no address); only U+0020 is trimmed, nothing is
        // escaped
        rows({"trimmed server| srv |lobby|mic://srv/lobby", "# room|srv|#lobby|mic://srv/&tafu",
              "no room|srv||mic://srv/&tafu", "space before #|srv| #lobby|mic://srv/#lobby",
              "no server||lobby|none", "server of spaces|   |lobby|mic:///lobby",
              "tabs, full-width space|\tsrv | 　部屋\t|mic://\tsrv/　部屋\t",
              "Japanese, &|チャット|猫&犬の部屋|mic://チャット/猫&犬の部屋"});
    }
    void address() { QCOMPARE(kuokuo::micadoresu(row()[0], row()[1]).value_or("none"), row()[2]); }
};

QTEST_GUILESS_MAIN(MicadoresuTest)
#include "tst_micadoresu.moc"
