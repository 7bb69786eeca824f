#include "about/getkeyvalue.h"
#include "platform/linuxregistry.h"

#include <QtTest>

using namespace kuokuo;

// The registry as Linux answers it, read the way the version window reads it: the two keys that
// locate the system-information program, and no other.
class LinuxRegistryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void locatesAProgramOnPath();
};

void LinuxRegistryTest::locatesAProgramOnPath()
{
    const QString key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", found = "/usr/bin/hardinfo";
    LinuxRegistry registry(
        [&](const QString &name) { return name == "hardinfo" ? found : QString(); });
    LinuxRegistry none([](const QString &) { return QString(); });
    const Registry::Key machine = Registry::HKEY_LOCAL_MACHINE;
    QString path, folder, other;
    QVERIFY(GetKeyValue(registry, machine, key.toLower(), "path", path));
    QVERIFY(GetKeyValue(registry, machine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                        folder));
    QCOMPARE(path + " " + folder, found + " /usr/bin");
    QVERIFY(!GetKeyValue(registry, 0x80000001u, key, "PATH", other) &&
            !GetKeyValue(registry, machine, key, "OTHER", other) &&
            !GetKeyValue(none, machine, key, "PATH", other));
}

QTEST_GUILESS_MAIN(LinuxRegistryTest)
#include "tst_linuxregistry.moc"
