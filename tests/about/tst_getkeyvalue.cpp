#include "about/getkeyvalue.h"
#include "support/fakeregistry.h"

#include <QtTest>

using namespace kuokuo;
using kuokuo::test::FakeRegistry;

class GetKeyValueTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data"); // null: no such value
        QTest::addColumn<QString>("value");   // "-": GetKeyValue fails
        QTest::newRow("string with NUL")
            << Registry::REG_SZ << QByteArray("C:\\a.exe", 9) << "C:\\a.exe";
        // 0x0110F10A little-endian, last byte first, each byte without its leading zero.
        QTest::newRow("32-bit") << Registry::REG_DWORD << QByteArray("\x0a\xf1\x10\x01", 4)
                                << "&h110F1A";
        QTest::newRow("32-bit whose last byte is zero loses it")
            << Registry::REG_DWORD << QByteArray("\x02\x01\x00\x00", 4) << "&h012";
        QTest::newRow("other type leaves the value")
            << quint32(3) << QByteArray("\x01", 1) << "before";
        QTest::newRow("no value") << Registry::REG_SZ << QByteArray() << "-";
        QTest::newRow("larger than the buffer") << Registry::REG_SZ << QByteArray(1025, 'a') << "-";
    }
    void values()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        FakeRegistry registry;
        registry.values[Registry::MsInfoKey + "\\x"] = {};
        if (!data.isNull())
            registry.values[Registry::MsInfoKey + "\\PATH"] = {type, data};
        QString keyVal = "before";
        const bool read = GetKeyValue(registry, HKLM, Registry::MsInfoKey, "PATH", keyVal);
        QTEST(read ? keyVal : "-" + keyVal, "value");
        QCOMPARE(registry.log, QStringList({"open|80000002|" + Registry::MsInfoKey + "|0|2003f",
                                            "query|PATH", "close|1"}));
        // A key that is not there: closed all the same.
        QVERIFY(!GetKeyValue(registry, HKLM, "SOFTWARE\\Other", "PATH", keyVal));
        QCOMPARE(registry.log.last(), QStringLiteral("close|0"));
    }

private:
    static constexpr Registry::Key HKLM = Registry::HKEY_LOCAL_MACHINE;
};

QTEST_GUILESS_MAIN(GetKeyValueTest)
#include "tst_getkeyvalue.moc"
