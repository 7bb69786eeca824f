#include "common/filenames.h"
#include "common/listfile.h"
#include "common/workingfiles.h"
#include "download/partfile.h"
#include "shell/browserlayout.h"
#include "shell/browserrules.h"
#include "shell/settingsfile.h"
#include "support/fulldisk.h"
#include "support/rows.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
const QByteArray L = "[kuekuoserihu.rtp]\r\n\"cat1.svg\",\"\",\"\x82\xc9\x82\xe1\x82\xa0\"\r\n\r\n";
const QByteArray S = "[rmssaaba.rtp]\r\n1\r\nirc.example\r\n\r\n";
const QByteArray R = "[rmsheya.rtp]\r\n0\r\n\r\n";
const QByteArray A = "[rad.rtp]\r\n1\r\nhttp://127.0.0.1/~neko/\r\n\r\n";
} // namespace

// The navigator's pure parts: the settings file and the window's layout rule.
class ShellTest : public QObject
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
        QCOMPARE(layout(0, 0), "-1 10770x8835"); // minimized: the fallback size
        QCOMPARE(layout(5000, 1449), "4900 10770x8835");
        QCOMPARE(twipsToPixels(10770, 96), 718); // 15 twips a pixel
        QCOMPARE(twipsToPixels(675, 144), 68);   // 67.5: rounded, not cut
    }
    void browserRules_data()
    {
        // name|rule|what is typed ("," between texts), the title and address of a page, or a zoom
        // and steps|result
        kuokuo::test::rows({"words|search|ねこ,neko inu,ね　こ,what is a.jp|1",
                            "addresses|search|example.com,localhost:80/a,[::1]:80,/tmp/a,~/"
                            "a,mailto:a,http://a b,|0",
                            "a title|save|ねこ/いぬ|http://h/a.html|ねこ_いぬ.mhtml",
                            "no title|save||http://h/d/index.html|index.mhtml",
                            "no name|save| |http://h/|h.mhtml", "between levels|zoom|1.7|1|2",
                            "at most 500 %|zoom|5|1|5", "at least 25 %|zoom|0.25|-2|0.25"});
    }
    void browserRules()
    {
        const QStringList field = kuokuo::test::row();
        for (const QString &typed : field[1].split(',', Qt::KeepEmptyParts))
            QVERIFY2(field[0] != "search" || isSearchWords(typed) == (field[2] == "1"),
                     qPrintable(typed));
        if (field[0] != "search")
            QCOMPARE(field[0] == "save"
                         ? savePageName(field[1], field[2])
                         : QString::number(zoomStep(field[1].toDouble(), field[2].toInt())),
                     field.last());
    }
    void init() { m_folder.emplace(); }
    void split_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("working"); // lines, servers, rooms, addresses, joined by "/"
        QTest::newRow("text after the fourth section is dropped")
            << L + S + R + A + "left over\r\n\r\n"
            << L + "/" + S + "/" + R + "/" + A;
        QTest::newRow("ends after section 2: the rest are created empty")
            << L + S << L + "/" + S + "//";
        QTest::newRow("first line empty: the sections move up one")
            << "\r\n" + L + S + R + A << "\r\n/" + L + "/" + S + "/" + R;
        QTest::newRow("every line end is written as CR LF")
            << QByteArray("a\nb\rc\r\n\r\n[rad.rtp]\n0")
            << QByteArray("a\r\nb\r\nc\r\n\r\n/[rad.rtp]\r\n0\r\n//");
    }
    void split()
    {
        QFETCH(QByteArray, settings);
        write(FileNames::Settings, settings);
        write(FileNames::Rooms, "old rooms\r\n\r\n");
        QVERIFY(inibunkatsu(path()));
        QTEST(read(FileNames::Lines) + "/" + read(FileNames::Servers) + "/" +
                  read(FileNames::Rooms) + "/" + read(FileNames::Addresses),
              "working");
        QCOMPARE(read(FileNames::Settings), settings);
    }
    void splitStopsAtItsFirstFailure()
    {
        write(FileNames::Lines, "old");
        QVERIFY(!inibunkatsu(path())); // no settings file: nothing is touched
        QCOMPARE(files(), QStringList{"kuekuoserihu.rtp=old"});
        write(FileNames::Settings, L + S + R + A);
        QVERIFY(QDir(path()).mkdir(FileNames::Rooms)); // cannot be written, even by root
        QVERIFY(!inibunkatsu(path()));
        QCOMPARE(files(), QStringList({"kuekuenavi.ini=" + L + S + R + A, "kuekuoserihu.rtp=" + L,
                                       "rmssaaba.rtp=" + S}));
    }
    void save_data()
    {
        QTest::addColumn<QString>("missing"); // a file removed before the exit's save
        QTest::newRow("none") << QString();
        QTest::newRow("settings file: nothing written") << FileNames::Settings;
        for (const QString &name : workingFiles())
            QTest::newRow(qPrintable(name)) << name;
    }
    void save()
    {
        QFETCH(QString, missing);
        write(FileNames::Settings, L + S + R + A);
        write(FileNames::SettingsBackup, "an older backup");
        // The lines file goes whole; a list up to its first empty line, ending in CR LF.
        write(FileNames::Lines, L + "stray\r\n");
        write(FileNames::Servers, S + "more\r\n\r\n");
        write(FileNames::Rooms, R);
        write(FileNames::Addresses, "[rad.rtp]\r\n0");
        QVERIFY(missing.isEmpty() || QFile::remove(m_folder->filePath(missing)));
        QCOMPARE(saveSettings(path()), missing.isEmpty());
        const bool noSettings = missing == FileNames::Settings;
        QCOMPARE(read(FileNames::SettingsBackup),
                 noSettings ? QByteArray("an older backup") : L + S + R + A);
        QCOMPARE(read(FileNames::Settings), noSettings ? QByteArray("missing")
                                            : missing.isEmpty()
                                                ? L + "stray\r\n" + S + R + "[rad.rtp]\r\n0\r\n"
                                                : L + S + R + A);
    }
    void fullDiskKeepsEveryFile_data()
    {
        rows({"start-up split|0", "exit: backup and rebuild|1", "list rewrite|2",
              "a download replacing a file|3"});
    }
    void fullDiskKeepsEveryFile()
    {
        const int operation = row()[0].toInt();
        write(FileNames::Settings, L + S + R + A);
        write(FileNames::SettingsBackup, "older backup");
        for (const QString &name : workingFiles()) // not what the split would write
            write(name, name.toLatin1() + "\r\n\r\n");
        const QStringList before = files();
        const std::function<bool()> operations[] = {
            [&] { return inibunkatsu(path()); }, [&] { return saveSettings(path()); },
            [&] { return ListFile::addresses(path()).save({"http://127.0.0.1/neko"}); },
            [&] {
                PartFile part(path());
                return part.open() && part.device()->write(QByteArray(5000, 'x')) == 5000 &&
                       part.commit(m_folder->filePath(FileNames::Addresses));
            }};
        QCOMPARE(onFullDisk(16, operations[operation]), std::optional<bool>(false));
        QCOMPARE(files(), before);
    }

private:
    QString path() const { return m_folder->path(); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(m_folder->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const QString &name) const
    {
        QFile file(m_folder->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
    }
    // Every file of the folder as "name=content", hidden ones included.
    QStringList files() const
    {
        QStringList contents;
        for (const QString &name : QDir(path()).entryList(QDir::Files | QDir::Hidden))
            contents << name + '=' + read(name);
        return contents;
    }

    std::optional<QTemporaryDir> m_folder;
};

QTEST_GUILESS_MAIN(ShellTest)
#include "tst_shell.moc"
