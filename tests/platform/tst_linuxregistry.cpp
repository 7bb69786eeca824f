#include "about/getkeyvalue.h"
#include "platform/linuxregistry.h"

#include <QtTest>

using namespace kuokuo;

namespace {
const QString MsInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString SharedToolsKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr Registry::Key HKLM = Registry::HKEY_LOCAL_MACHINE;
} // namespace

// The registry as Linux answers it, read the way the version window reads it.
class LinuxRegistryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void locatesAProgramOnPath();
    void withoutProgramThereIsNoKey();
};

void LinuxRegistryTest::locatesAProgramOnPath()
{
    LinuxRegistry registry([](const QString &name) {
        return name == "gnome-system-monitor" ? QString("/usr/bin/gnome-system-monitor")
                                              : QString();
    });
    QString value;
    QVERIFY(GetKeyValue(registry, HKLM, MsInfoKey, "PATH", value));
    QCOMPARE(value, QString("/usr/bin/gnome-system-monitor"));
    QVERIFY(GetKeyValue(registry, HKLM, MsInfoKey.toLower(), "path", value));
    QVERIFY(GetKeyValue(registry, HKLM, SharedToolsKey, "MSINFO", value));
    QCOMPARE(value, QString("/usr/bin"));
    QVERIFY(!GetKeyValue(registry, HKLM, "SOFTWARE\\Other", "PATH", value));
    QVERIFY(!GetKeyValue(registry, 0x80000001u, MsInfoKey, "PATH", value));
    QVERIFY(!GetKeyValue(registry, HKLM, MsInfoKey, "OTHER", value));
    const auto found =
        kuokuo::systemInformationProgram(registry, [](const QString &) { return false; });
    QCOMPARE(found.value_or(QString()), QString("/usr/bin/gnome-system-monitor"));
}

void LinuxRegistryTest::withoutProgramThereIsNoKey()
{
    LinuxRegistry registry([](const QString &) { return QString(); });
    QString value = "x";
    QVERIFY(!GetKeyValue(registry, HKLM, MsInfoKey, "PATH", value));
    QVERIFY(value.isEmpty());
    QVERIFY(!kuokuo::systemInformationProgram(registry, [](const QString &) { return true; }));
}

QTEST_GUILESS_MAIN(LinuxRegistryTest)
#include "tst_linuxregistry.moc"
