#include "common/filenames.h"
#include "common/listfile.h"
#include "common/textfile.h"
#include "shell/settingsfile.h"
#include "support/fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kuokuo;
using kuokuo::test::onFullDisk;

namespace {
const QByteArray Lines = "[kuekuoserihu.rtp]\r\n"
                         "\"cat1.svg\",\"\",\"にゃあ\"\r\n"
                         "\"cat2.svg\",\"予備\",\"ねこ、だにゃあ\"\r\n"
                         "\r\n";
const QByteArray Servers = "[rmssaaba.rtp]\r\n2\r\nirc.example\r\nチャット\r\n\r\n";
const QByteArray Rooms = "[rmsheya.rtp]\r\n0\r\n\r\n";
const QByteArray Addresses = "[rad.rtp]\r\n1\r\nhttp://127.0.0.1/～neko/\r\n\r\n";

QByteArray cp932(const char *utf8)
{
    return *encodeCp932(QString::fromUtf8(utf8));
}

class Folder
{
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile out(file(name));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(out.write(bytes), bytes.size());
    }
    QByteArray read(const QString &name) const
    {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    bool exists(const QString &name) const { return QFile::exists(file(name)); }
    // A folder standing where a file should be makes its write fail, even for root.
    void block(const QString &name) const { QVERIFY(QDir(path()).mkdir(name)); }

private:
    QTemporaryDir m_dir;
};
} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splitsIntoSections_data();
    void splitsIntoSections();
    void splitOfMissingSettingsTouchesNothing();
    void splitStopsAtFirstUnwritableFile();
    void rebuildThenSplitGivesSameFiles();
    void rebuildsSections_data();
    void rebuildsSections();
    void rebuildKeepsSettingsWhenWorkingFileMissing_data();
    void rebuildKeepsSettingsWhenWorkingFileMissing();
    void saveWritesBackupFirst();
    void saveOfMissingSettingsWritesNothing();
    void backupReplacesOlderBackup();
    void fullDiskKeepsEveryFile_data();
    void fullDiskKeepsEveryFile();
    void rewriteKeepsMode_data();
    void rewriteKeepsMode();
};

void SettingsFileTest::splitsIntoSections_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("servers");
    QTest::addColumn<QByteArray>("rooms");
    QTest::addColumn<QByteArray>("addresses");

    QTest::newRow("four sections")
        << Lines + Servers + Rooms + Addresses << Lines << Servers << Rooms << Addresses;
    QTest::newRow("text after the fourth section is dropped")
        << Lines + Servers + Rooms + Addresses + "left over\r\n\r\n"
        << Lines << Servers << Rooms << Addresses;
    QTest::newRow("ends after section 2: the rest are created empty")
        << Lines + Servers << Lines << Servers << QByteArray() << QByteArray();
    QTest::newRow("first line empty: every section moves up one")
        << "\r\n" + Lines + Servers + Rooms + Addresses << QByteArray("\r\n") << Lines << Servers
        << Rooms;
    QTest::newRow("last line without line end gets CR LF")
        << Lines + Servers + Rooms + "[rad.rtp]\r\n0" << Lines << Servers << Rooms
        << QByteArray("[rad.rtp]\r\n0\r\n");
    QTest::newRow("lone LF and lone CR line ends are written as CR LF")
        << QByteArray("a\nb\rc\r\n\n[rmssaaba.rtp]\n0\n\n") << QByteArray("a\r\nb\r\nc\r\n\r\n")
        << QByteArray("[rmssaaba.rtp]\r\n0\r\n\r\n") << QByteArray() << QByteArray();
    QTest::newRow("CP932 text is copied byte for byte")
        << cp932("[x]\r\n①ｱｲｳ～\r\n\r\n") << cp932("[x]\r\n①ｱｲｳ～\r\n\r\n") << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("empty settings file")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray();
}

void SettingsFileTest::splitsIntoSections()
{
    QFETCH(QByteArray, settings);
    Folder folder;
    folder.write(FileNames::Settings, settings);
    folder.write(FileNames::Rooms, "old rooms\r\n\r\n");

    QVERIFY(inibunkatsu(folder.path()));

    QTEST(folder.read(FileNames::Lines), "lines");
    QTEST(folder.read(FileNames::Servers), "servers");
    QTEST(folder.read(FileNames::Rooms), "rooms");
    QTEST(folder.read(FileNames::Addresses), "addresses");
    for (const QString &name : workingFiles())
        QVERIFY(folder.exists(name));
    QCOMPARE(folder.read(FileNames::Settings), settings);
}

void SettingsFileTest::splitOfMissingSettingsTouchesNothing()
{
    Folder folder;
    folder.write(FileNames::Lines, Lines);
    QVERIFY(!inibunkatsu(folder.path()));
    QCOMPARE(folder.read(FileNames::Lines), Lines);
    QVERIFY(!folder.exists(FileNames::Servers));
    QVERIFY(!folder.exists(FileNames::Rooms));
    QVERIFY(!folder.exists(FileNames::Addresses));
}

void SettingsFileTest::splitStopsAtFirstUnwritableFile()
{
    Folder folder;
    folder.write(FileNames::Settings, Lines + Servers + Rooms + Addresses);
    folder.write(FileNames::Addresses, "old\r\n\r\n");
    folder.block(FileNames::Rooms);

    QVERIFY(!inibunkatsu(folder.path()));
    QCOMPARE(folder.read(FileNames::Lines), Lines);
    QCOMPARE(folder.read(FileNames::Servers), Servers);
    QCOMPARE(folder.read(FileNames::Addresses), QByteArray("old\r\n\r\n"));
}

void SettingsFileTest::rebuildThenSplitGivesSameFiles()
{
    Folder folder;
    folder.write(FileNames::Settings, "old settings\r\n");
    const QList<QByteArray> contents = {Lines, Servers, Rooms, Addresses};
    for (int i = 0; i < workingFiles().size(); ++i)
        folder.write(workingFiles().at(i), contents.at(i));

    QVERIFY(iniketsugou(folder.path()));
    QCOMPARE(folder.read(FileNames::Settings), Lines + Servers + Rooms + Addresses);
    for (const QString &name : workingFiles())
        QVERIFY(QFile::remove(folder.file(name)));

    QVERIFY(inibunkatsu(folder.path()));
    for (int i = 0; i < workingFiles().size(); ++i)
        QCOMPARE(folder.read(workingFiles().at(i)), contents.at(i));
}

void SettingsFileTest::rebuildsSections_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("servers");
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("settings");

    QTest::newRow("lines file with text after its empty line is copied whole")
        << Lines + "stray\r\n"
        << Servers << Addresses << Lines + "stray\r\n" + Servers + Rooms + Addresses;
    QTest::newRow("list file with an empty line in its middle is cut there")
        << Lines << QByteArray("[rmssaaba.rtp]\r\n2\r\na\r\n\r\nb\r\n\r\n") << Addresses
        << Lines + "[rmssaaba.rtp]\r\n2\r\na\r\n\r\n" + Rooms + Addresses;
    QTest::newRow("list file without closing line ends with CR LF")
        << Lines << Servers << QByteArray("[rad.rtp]\r\n0")
        << Lines + Servers + Rooms + "[rad.rtp]\r\n0\r\n";
    QTest::newRow("empty list file adds nothing")
        << Lines << QByteArray() << Addresses << Lines + Rooms + Addresses;
}

void SettingsFileTest::rebuildsSections()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, servers);
    QFETCH(QByteArray, addresses);
    Folder folder;
    folder.write(FileNames::Lines, lines);
    folder.write(FileNames::Servers, servers);
    folder.write(FileNames::Rooms, Rooms);
    folder.write(FileNames::Addresses, addresses);

    QVERIFY(iniketsugou(folder.path()));
    QTEST(folder.read(FileNames::Settings), "settings");
}

void SettingsFileTest::rebuildKeepsSettingsWhenWorkingFileMissing_data()
{
    QTest::addColumn<QString>("missing");
    for (const QString &name : workingFiles())
        QTest::newRow(qPrintable(name)) << name;
}

void SettingsFileTest::rebuildKeepsSettingsWhenWorkingFileMissing()
{
    QFETCH(QString, missing);
    Folder folder;
    const QByteArray settings = Lines + Servers + Rooms + Addresses;
    folder.write(FileNames::Settings, settings);
    QVERIFY(inibunkatsu(folder.path()));
    folder.write(FileNames::Addresses, "[rad.rtp]\r\n0\r\n\r\n");
    QVERIFY(QFile::remove(folder.file(missing)));

    QVERIFY(!saveSettings(folder.path()));
    QCOMPARE(folder.read(FileNames::Settings), settings);
    QCOMPARE(folder.read(FileNames::SettingsBackup), settings);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

void SettingsFileTest::saveWritesBackupFirst()
{
    Folder folder;
    const QByteArray settings = Lines + Servers + Rooms + Addresses;
    folder.write(FileNames::Settings, settings);
    QVERIFY(inibunkatsu(folder.path()));
    const QByteArray changed = "[rad.rtp]\r\n2\r\nhttp://a/\r\nhttp://b/\r\n\r\n";
    folder.write(FileNames::Addresses, changed);

    QVERIFY(saveSettings(folder.path()));
    QCOMPARE(folder.read(FileNames::SettingsBackup), settings);
    QCOMPARE(folder.read(FileNames::Settings), Lines + Servers + Rooms + changed);
}

void SettingsFileTest::saveOfMissingSettingsWritesNothing()
{
    Folder folder;
    const QList<QByteArray> contents = {Lines, Servers, Rooms, Addresses};
    for (int i = 0; i < workingFiles().size(); ++i)
        folder.write(workingFiles().at(i), contents.at(i));

    QVERIFY(!saveSettings(folder.path()));
    QVERIFY(!folder.exists(FileNames::Settings));
    QVERIFY(!folder.exists(FileNames::SettingsBackup));
}

void SettingsFileTest::backupReplacesOlderBackup()
{
    Folder folder;
    folder.write(FileNames::Settings, "new\r\n");
    folder.write(FileNames::SettingsBackup, "older and longer\r\n");
    QVERIFY(backupSettings(folder.path()));
    QCOMPARE(folder.read(FileNames::SettingsBackup), QByteArray("new\r\n"));

    // A backup that cannot be written stops the save before the settings file is touched.
    Folder blocked;
    blocked.write(FileNames::Settings, "kept\r\n");
    blocked.block(FileNames::SettingsBackup);
    for (const QString &name : workingFiles())
        blocked.write(name, "\r\n");
    QVERIFY(!saveSettings(blocked.path()));
    QCOMPARE(blocked.read(FileNames::Settings), QByteArray("kept\r\n"));
}

void SettingsFileTest::fullDiskKeepsEveryFile_data()
{
    QTest::addColumn<int>("operation");
    QTest::newRow("start-up split") << 0;
    QTest::newRow("exit: backup and rebuild") << 1;
    QTest::newRow("list rewrite") << 2;
}

void SettingsFileTest::fullDiskKeepsEveryFile()
{
    QFETCH(int, operation);
    Folder folder;
    const QByteArray settings = Lines + Servers + Rooms + Addresses;
    folder.write(FileNames::Settings, settings);
    folder.write(FileNames::SettingsBackup, "older backup\r\n");
    const QList<QByteArray> contents = {Servers, Lines, Addresses, Rooms}; // not the split's
    for (int i = 0; i < workingFiles().size(); ++i)
        folder.write(workingFiles().at(i), contents.at(i));
    const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);

    const std::optional<bool> saved = onFullDisk(16, [&] {
        if (operation == 0)
            return inibunkatsu(folder.path());
        if (operation == 1)
            return saveSettings(folder.path());
        return ListFile::addresses(folder.path()).save({"http://127.0.0.1/neko"});
    });
    QCOMPARE(saved, std::optional<bool>(false));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);
    QCOMPARE(folder.read(FileNames::Settings), settings);
    QCOMPARE(folder.read(FileNames::SettingsBackup), QByteArray("older backup\r\n"));
    for (int i = 0; i < workingFiles().size(); ++i)
        QCOMPARE(folder.read(workingFiles().at(i)), contents.at(i));
}

void SettingsFileTest::rewriteKeepsMode_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("oldMode"); // 0: no file yet
    QTest::addColumn<int>("mode");
    QTest::newRow("new file, umask 022") << 022 << 0 << 0644;
    QTest::newRow("new file, umask 077") << 077 << 0 << 0600;
    QTest::newRow("read-only file stays read-only") << 022 << 0444 << 0444;
    QTest::newRow("group-writable file stays so") << 077 << 0664 << 0664;
}

void SettingsFileTest::rewriteKeepsMode()
{
    QFETCH(int, umask);
    QFETCH(int, oldMode);
    Folder folder;
    const QString path = folder.file(FileNames::Settings);
    if (oldMode) {
        folder.write(FileNames::Settings, "old\r\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(oldMode)) == 0);
    }
    const mode_t previous = ::umask(mode_t(umask));
    const bool saved = saveFileAtomically(path, "new\r\n");
    ::umask(previous);
    QVERIFY(saved);
    struct stat info = {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
    QTEST(int(info.st_mode & 07777), "mode");
}

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
