#include "about/getkeyvalue.h"
#include "support/fakeregistry.h"

#include <QtTest>

using namespace kuokuo;
using kuokuo::test::FakeRegistry;

namespace {
const QString MsInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString SharedToolsKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr Registry::Key HKLM = Registry::HKEY_LOCAL_MACHINE;
} // namespace

class GetKeyValueTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void values_data();
    void values();
    void failuresEmptyTheValueAndCloseTheKey_data();
    void failuresEmptyTheValueAndCloseTheKey();
    void systemInformationProgram_data();
    void systemInformationProgram();
};

void GetKeyValueTest::values_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("value");

    QTest::newRow("string with nul")
        << Registry::REG_SZ << QByteArray("C:\\msinfo32.exe", 16) << "C:\\msinfo32.exe";
    QTest::newRow("string without nul") << Registry::REG_SZ << QByteArray("abc") << "abc";
    QTest::newRow("empty string") << Registry::REG_SZ << QByteArray("", 1) << "";
    // 0x12345678 little-endian: 78 56 34 12, last byte first.
    QTest::newRow("dword") << Registry::REG_DWORD << QByteArray("\x78\x56\x34\x12", 4)
                           << "&h12345678";
    QTest::newRow("dword bytes without leading zeros")
        << Registry::REG_DWORD << QByteArray("\x0a\x01\x0f\x10", 4) << "&h10F1A";
    // The trailing NUL rule applies to every type: 0x00000102 loses its last byte.
    QTest::newRow("dword whose last byte is zero")
        << Registry::REG_DWORD << QByteArray("\x02\x01\x00\x00", 4) << "&h012";
    QTest::newRow("other type leaves the value")
        << quint32(3) << QByteArray("\x01\x02", 2) << "before";
}

void GetKeyValueTest::values()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, value);
    FakeRegistry registry;
    registry.keys[MsInfoKey]["PATH"] = {type, data};
    QString keyVal = "before";
    QVERIFY(GetKeyValue(registry, HKLM, MsInfoKey, "PATH", keyVal));
    QCOMPARE(keyVal, value);
    QCOMPARE(registry.log,
             (QStringList{"open|80000002|" + MsInfoKey + "|0|2003f", "query|PATH", "close|1"}));
}

void GetKeyValueTest::failuresEmptyTheValueAndCloseTheKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("no key") << "SOFTWARE\\Other"
                            << "PATH"
                            << QStringList{"open|80000002|SOFTWARE\\Other|0|2003f", "close|0"};
    QTest::newRow("no value") << MsInfoKey << "MISSING"
                              << QStringList{"open|80000002|" + MsInfoKey + "|0|2003f",
                                             "query|MISSING", "close|1"};
    QTest::newRow("value larger than the buffer")
        << MsInfoKey << "BIG"
        << QStringList{"open|80000002|" + MsInfoKey + "|0|2003f", "query|BIG", "close|1"};
}

void GetKeyValueTest::failuresEmptyTheValueAndCloseTheKey()
{
    QFETCH(QString, key);
    QFETCH(QString, valueName);
    QFETCH(QStringList, log);
    FakeRegistry registry;
    registry.keys[MsInfoKey]["PATH"] = {Registry::REG_SZ, "x"};
    registry.keys[MsInfoKey]["BIG"] = {Registry::REG_SZ, QByteArray(1025, 'a')};
    QString keyVal = "stale";
    QVERIFY(!GetKeyValue(registry, HKLM, key, valueName, keyVal));
    QVERIFY(keyVal.isEmpty());
    QCOMPARE(registry.log, log);
}

void GetKeyValueTest::systemInformationProgram_data()
{
    QTest::addColumn<QByteArray>("firstValue");  // null: no such key
    QTest::addColumn<QByteArray>("secondValue"); // null: no such key
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("program"); // null: none

    QTest::newRow("first key, taken unchanged without existence test")
        << QByteArray("/no/such/msinfo\0", 16) << QByteArray("/tools\0", 7) << QStringList{}
        << "/no/such/msinfo";
    QTest::newRow("second key with the file")
        << QByteArray() << QByteArray("/tools\0", 7) << QStringList{"/tools/MSINFO32.EXE"}
        << "/tools/MSINFO32.EXE";
    QTest::newRow("second key without the file") << QByteArray() << QByteArray("/tools\0", 7)
                                                 << QStringList{"/tools/msinfo32.exe"} << QString();
    QTest::newRow("neither key") << QByteArray() << QByteArray() << QStringList{} << QString();
}

void GetKeyValueTest::systemInformationProgram()
{
    QFETCH(QByteArray, firstValue);
    QFETCH(QByteArray, secondValue);
    QFETCH(QStringList, existing);
    QFETCH(QString, program);
    FakeRegistry registry;
    if (!firstValue.isNull())
        registry.keys[MsInfoKey]["PATH"] = {Registry::REG_SZ, firstValue};
    if (!secondValue.isNull())
        registry.keys[SharedToolsKey]["MSINFO"] = {Registry::REG_SZ, secondValue};
    QStringList asked;
    const auto exists = [&](const QString &path) {
        asked << path;
        return existing.contains(path);
    };
    const std::optional<QString> found = kuokuo::systemInformationProgram(registry, exists);
    QCOMPARE(found.has_value(), !program.isNull());
    if (found)
        QCOMPARE(*found, program);
    if (!firstValue.isNull())
        QVERIFY(asked.isEmpty());
}

QTEST_GUILESS_MAIN(GetKeyValueTest)
#include "tst_getkeyvalue.moc"
