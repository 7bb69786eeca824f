#include "chat/micadoresu.h"

#include <QtTest>

class MicadoresuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("address"); // "none": no address
        const auto row = [](const char *server, const char *room, const char *address) {
            QTest::addRow("'%s' '%s'", server, room)
                << QString::fromUtf8(server) << QString::fromUtf8(room)
                << QString::fromUtf8(address);
        };
        row(" srv ", "lobby", "mic://srv/lobby");
        row("srv", "#lobby", "mic://srv/&tafu");
        row("srv", "", "mic://srv/&tafu");
        row("srv", " #lobby", "mic://srv/#lobby"); // a space before "#" keeps the room
        row("", "lobby", "none");
        row("   ", "lobby", "mic:///lobby");                // a server of spaces is not empty
        row("\tsrv ", " 　部屋\t", "mic://\tsrv/　部屋\t"); // only U+0020 is trimmed
        row("チャット", "猫&犬の部屋", "mic://チャット/猫&犬の部屋"); // nothing escaped
    }
    void address()
    {
        QFETCH(QString, server);
        QFETCH(QString, room);
        QTEST(kuokuo::micadoresu(server, room).value_or("none"), "address");
    }
};

QTEST_GUILESS_MAIN(MicadoresuTest)
#include "tst_micadoresu.moc"
