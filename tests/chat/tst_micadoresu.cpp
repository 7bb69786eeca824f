#include "chat/micadoresu.h"

#include <QtTest>

using namespace kuokuo;

class MicadoresuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void address_data();
    void address();
};

void MicadoresuTest::address_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("address"); // null: no address

    QTest::newRow("spaces around the server") << " srv "
                                              << "lobby"
                                              << "mic://srv/lobby";
    QTest::newRow("# room goes to the fallback") << "srv"
                                                 << "#lobby"
                                                 << "mic://srv/&tafu";
    QTest::newRow("empty room goes to the fallback") << "srv"
                                                     << ""
                                                     << "mic://srv/&tafu";
    QTest::newRow("space before # is kept") << "srv"
                                            << " #lobby"
                                            << "mic://srv/#lobby";
    QTest::newRow("empty server") << ""
                                  << "lobby" << QString();
    QTest::newRow("empty server, empty room") << ""
                                              << "" << QString();
    QTest::newRow("empty server, # room") << ""
                                          << "#x" << QString();
    QTest::newRow("server of spaces only") << "   "
                                           << "lobby"
                                           << "mic:///lobby";
    QTest::newRow("# alone") << "srv"
                             << "#"
                             << "mic://srv/&tafu";
    QTest::newRow("inner spaces stay") << " my srv "
                                       << " the room "
                                       << "mic://my srv/the room";
    QTest::newRow("room typed as the fallback") << "srv"
                                                << "&tafu"
                                                << "mic://srv/&tafu";
    QTest::newRow("tab is not trimmed") << "\tsrv"
                                        << "room\t"
                                        << "mic://\tsrv/room\t";
    QTest::newRow("full-width space is not trimmed")
        << QStringLiteral("srv　") << QStringLiteral("　部屋")
        << QStringLiteral("mic://srv　/　部屋");
    QTest::newRow("japanese and & kept unescaped")
        << QStringLiteral("チャット.example") << QStringLiteral("猫&犬の部屋")
        << QStringLiteral("mic://チャット.example/猫&犬の部屋");
    QTest::newRow("room of spaces only") << "srv"
                                         << "  "
                                         << "mic://srv/";
}

void MicadoresuTest::address()
{
    QFETCH(QString, server);
    QFETCH(QString, room);
    QFETCH(QString, address);
    const std::optional<QString> result = micadoresu(server, room);
    QCOMPARE(result.has_value(), !address.isNull());
    if (result)
        QCOMPARE(*result, address);
}

QTEST_GUILESS_MAIN(MicadoresuTest)
#include "tst_micadoresu.moc"
