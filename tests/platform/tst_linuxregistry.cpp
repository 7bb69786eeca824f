#include "about/getkeyvalue.h"
#include "platform/linuxregistry.h"

#include <QtTest>

using namespace kuokuo;

// The registry as Linux answers it, read the way the version window reads it: the two keys that
// locate the system-information program on PATH, and no other.
class LinuxRegistryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void locatesAProgramOnPath()
    {
        const Registry::Key machine = Registry::HKEY_LOCAL_MACHINE;
        const QString tools = "SOFTWARE\\Microsoft\\Shared Tools";
        LinuxRegistry registry([](const QString &name) { return "/usr/bin/" + name; });
        QString path, folder, other;
        QVERIFY(GetKeyValue(registry, machine, tools.toLower() + "\\msinfo", "path", path));
        QVERIFY(GetKeyValue(registry, machine, tools + " Location", "MSINFO", folder));
        QCOMPARE(path + " " + folder, "/usr/bin/" + LinuxRegistry::Candidates[0] + " /usr/bin");
        QVERIFY(!GetKeyValue(registry, 0x80000001u, tools + "\\MSINFO", "PATH", other));
    }
};

QTEST_GUILESS_MAIN(LinuxRegistryTest)
#include "tst_linuxregistry.moc"
