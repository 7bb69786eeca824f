#include "common/filenames.h"
#include "common/fixedaddresses.h"
#include "common/listfile.h"
#include "common/textfile.h"
#include "mascot/mascotwindow.h"
#include "mascot/serihu.h"
#include "shell/content.h"
#include "shell/settingsfile.h"
#include "support/testfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QImageReader>
#include <QRegularExpression>
#include <QtTest>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
QByteArray shipped(const QString &name)
{
    QFile file(QStringLiteral(":/content/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage picture(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}
} // namespace

class ContentTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shipsWhatTheProgramNeeds();
    void installWritesOnlyWhatIsMissing();
    void settingsFileHoldsTheLinesAndEmptyLists();
    void everyLineShowsACat();
    void pagesHaveTitlesAndSections_data();
    void pagesHaveTitlesAndSections();
};

void ContentTest::shipsWhatTheProgramNeeds()
{
    const QStringList files = Content::files();
    for (const QString &name : {FileNames::Settings, FileNames::StartPage, FileNames::ChatPage,
                                QStringLiteral("kuokuo.svg"), QStringLiteral("kuokuonavi.svg")})
        QVERIFY2(files.contains(name), qPrintable(name));
    QVERIFY(!files.filter(QStringLiteral(".rtp")).size());
    const QImage design = MascotWindow::designPicture().toImage();
    QCOMPARE(design.size(), QSize(70, 102));
}

void ContentTest::installWritesOnlyWhatIsMissing()
{
    TestProgramFolder folder;
    QVERIFY(folder.write(FileNames::Settings, "mine"));
    QVERIFY(Content::installMissing(folder.path()));
    QCOMPARE(folder.read(FileNames::Settings), QByteArray("mine"));
    for (const QString &name : Content::files()) {
        if (name != FileNames::Settings)
            QCOMPARE(folder.read(name), shipped(name));
    }
    QVERIFY(folder.write(FileNames::StartPage, "changed"));
    QVERIFY(Content::installMissing(folder.path()));
    QCOMPARE(folder.read(FileNames::StartPage), QByteArray("changed"));
}

void ContentTest::settingsFileHoldsTheLinesAndEmptyLists()
{
    TestProgramFolder folder;
    QVERIFY(Content::installMissing(folder.path()));
    QVERIFY(inibunkatsu(folder.path()));
    QCOMPARE(ListFile::servers(folder.path()).load(), std::optional<QStringList>(QStringList()));
    QCOMPARE(ListFile::rooms(folder.path()).load(), std::optional<QStringList>(QStringList()));
    QCOMPARE(ListFile::addresses(folder.path()).load(), std::optional<QStringList>(QStringList()));
    // Nothing after the fourth section: rebuilding gives the same file.
    QVERIFY(iniketsugou(folder.path()));
    QCOMPARE(folder.read(FileNames::Settings), shipped(FileNames::Settings));

    // Every text line ends in CR LF and holds only what CP932 can encode.
    const QByteArray bytes = shipped(FileNames::Settings);
    QVERIFY(!bytes.contains("\r\r") && !bytes.contains('\t'));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    const QString text = decodeCp932(bytes);
    QVERIFY(!text.contains(QChar(0x1A)));
    QCOMPARE(*encodeCp932(text), bytes);
}

void ContentTest::everyLineShowsACat()
{
    TestProgramFolder folder;
    QVERIFY(Content::installMissing(folder.path()));
    QVERIFY(inibunkatsu(folder.path()));
    Serihuhyou table;
    QVERIFY(table.serihuyomikomi(folder.file(FileNames::Lines)));

    QSet<QByteArray> poses;
    int nyaa = 0;
    for (qint16 n = 1; n <= 25; ++n) {
        const std::optional<SerihuLine> line = table.serihuhyouji(n, folder.path());
        QVERIFY(line);
        const QImage cat = picture(line->picturePath);
        QVERIFY2(!cat.isNull(), qPrintable(line->picturePath));
        QCOMPARE(cat.size(), QSize(70, 102));
        poses.insert(QCryptographicHash::hash(QByteArrayView(cat.constBits(), cat.sizeInBytes()),
                                              QCryptographicHash::Sha1));
        QVERIFY(!line->text.isEmpty());
        QVERIFY(line->text.size() <= 48); // fits the balloon
        if (line->text.contains(QStringLiteral("にゃあ")))
            ++nyaa;
    }
    QVERIFY2(poses.size() >= 8, qPrintable(QString::number(poses.size())));
    QVERIFY(nyaa >= 20);

    // The occasions that follow one another show different cats.
    auto pictureOf = [&](int n) { return table.entry(n).picture; };
    QVERIFY(pictureOf(24) != pictureOf(9));  // late night, morning
    QVERIFY(pictureOf(21) != pictureOf(10)); // noon, afternoon
    QVERIFY(pictureOf(10) != pictureOf(8));  // afternoon, evening
    QVERIFY(pictureOf(7) != pictureOf(3));   // farewell, double-click
}

void ContentTest::pagesHaveTitlesAndSections_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("start page") << FileNames::StartPage;
    QTest::newRow("chat page") << FileNames::ChatPage;
    for (const QString &address : {FixedAddresses::ChatRoomPage, FixedAddresses::ChatClientDownload,
                                   FixedAddresses::ChatServerPage, FixedAddresses::QuestionBoard,
                                   FixedAddresses::HowToChatPage, FixedAddresses::AuthorTopPage,
                                   FixedAddresses::KuokuoHomePage, FixedAddresses::MasterChatPage})
        QTest::newRow(qPrintable(address)) << address;
}

void ContentTest::pagesHaveTitlesAndSections()
{
    QFETCH(QString, page);
    const QString file = page.section('#', 0, 0);
    const QString section = page.section('#', 1);
    const QString html = QString::fromUtf8(shipped(file));
    QVERIFY2(!html.isEmpty(), qPrintable(file));
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    const QRegularExpressionMatch title =
        QRegularExpression(QStringLiteral("<title>([^<]+)</title>")).match(html);
    QVERIFY(title.hasMatch());
    QVERIFY(title.captured(1).contains(QStringLiteral("にゃあ")));
    if (!section.isEmpty())
        QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(section)), qPrintable(page));
    // Every picture and page it links to comes with the program: no outside host.
    const QRegularExpression links(QStringLiteral("(?:src|href)=\"([^\"#]*)"));
    for (auto it = links.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        if (!target.isEmpty())
            QVERIFY2(Content::files().contains(target), qPrintable(target));
    }
    if (file == FileNames::StartPage)
        QCOMPARE(title.captured(1), QStringLiteral("KUOKUOナビへようこそにゃあ"));
}

QTEST_MAIN(ContentTest)
#include "tst_content.moc"
