#include "download/gazouchuushutsu.h"

#include <QtTest>

using namespace kuokuo;

class GazouchuushutsuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scan_data();
    void scan();
    void writtenForm_data();
    void writtenForm();
    void fileName_data();
    void fileName();
    void longPage();
};

namespace {
QStringList texts(const QString &page)
{
    QStringList list;
    for (const ImageReference &image : gazouchuushutsu(page))
        list << image.text(page);
    return list;
}
} // namespace

void GazouchuushutsuTest::scan_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("images");

    // The documented fragments.
    QTest::newRow("quoted") << "<img src=\"pic001.jpg\">" << QStringList{"pic001.jpg"};
    QTest::newRow("upper case, unquoted")
        << "<IMG SRC=images/Logo.GIF width=10>" << QStringList{"images/Logo.GIF"};
    QTest::newRow("spaces, quote and slash")
        << "<img src = \" /top.gif \">" << QStringList{"top.gif"};
    QTest::newRow("single quotes") << "<img src='a.jpg'>" << QStringList{};
    QTest::newRow("cgi") << "<img src=\"/cgi-bin/c.gif\">" << QStringList{};
    QTest::newRow("lowsrc after png")
        << "<img src=\"a.png\" lowsrc=\"a.gif\">" << QStringList{"a.gif"};

    // What the rules imply.
    QTest::newRow("datasrc") << "<x datasrc=b.jpg>" << QStringList{"b.jpg"};
    QTest::newRow("src in text takes the next =")
        << "the src of x is here: width=c.gif" << QStringList{"c.gif"};
    QTest::newRow("leading slash dropped")
        << "<img src=\"/img/a.jpg\">" << QStringList{"img/a.jpg"};
    QTest::newRow("protocol-relative") << "<img src=//h/a.gif>" << QStringList{"h/a.gif"};
    QTest::newRow("ends at >") << "<img src=a.gif>" << QStringList{"a.gif"};
    QTest::newRow("ends at a control character") << "src=a.gif\tx" << QStringList{"a.gif"};
    QTest::newRow("mixed-case extension") << "src=PHOTO.Jpg " << QStringList{"PHOTO.Jpg"};
    QTest::newRow("jpeg refused") << "src=a.jpeg " << QStringList{};
    QTest::newRow("png refused") << "src=a.png " << QStringList{};
    QTest::newRow("query refused") << "src=a.jpg?x=1 " << QStringList{};
    QTest::newRow("cgi inside a word") << "src=abcgif.gif " << QStringList{};
    QTest::newRow("cgi upper case") << "src=/CGI/x.jpg " << QStringList{};
    QTest::newRow("absolute") << "src=\"http://h/p/a.jpg\"" << QStringList{"http://h/p/a.jpg"};
    QTest::newRow("duplicates kept")
        << "src=a.gif src=b.jpg src=a.gif" << QStringList{"a.gif", "b.jpg", "a.gif"};
    QTest::newRow("japanese name") << "src=\"画像/猫01.jpg\"" << QStringList{"画像/猫01.jpg"};
    QTest::newRow("script text") << "<script>var src = 'x'; if (a==b) {}</script>" << QStringList{};

    // Edges of the text.
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one character") << "s" << QStringList{};
    QTest::newRow("no src") << "<p>hello</p>" << QStringList{};
    QTest::newRow("src without =") << "src=a.gif and then src only" << QStringList{"a.gif"};
    QTest::newRow("= at the very end") << "src=a.gif src=" << QStringList{"a.gif"};
    QTest::newRow("separators to the end") << "src=a.gif src= \" //" << QStringList{"a.gif"};
    QTest::newRow("value runs to the end") << "src=b.jpg" << QStringList{"b.jpg"};
    QTest::newRow("empty value") << "src=> src=c.gif" << QStringList{"c.gif"};
    QTest::newRow("short value") << "src=gif src=.gif" << QStringList{".gif"};
    // Unicode upper-casing would turn "ß" into "SS" and shift every later position.
    QTest::newRow("letters that grow when upper-cased")
        << "ßßßß src=x.gif ﬃ src=y.jpg" << QStringList{"x.gif", "y.jpg"};
    // Only ASCII letters fold: the long s and the Kelvin sign are not "S" and "K".
    QTest::newRow("long s is no s") << "ſrc=x.gif" << QStringList{};
}

void GazouchuushutsuTest::scan()
{
    QFETCH(QString, page);
    QFETCH(QStringList, images);
    QCOMPARE(texts(page), images);
}

void GazouchuushutsuTest::writtenForm_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("written");

    QTest::newRow("relative") << "src=\"a/b.jpg\""
                              << "a/b.jpg";
    QTest::newRow("root-relative") << "src=\"/img/a.jpg\""
                                   << "/img/a.jpg";
    QTest::newRow("protocol-relative") << "src=//cdn/a.gif"
                                       << "//cdn/a.gif";
    QTest::newRow("slash, then a quote") << "src=/\"a.gif\""
                                         << "a.gif";
    QTest::newRow("quote, space, slash") << "src= \" /top.gif\""
                                         << "/top.gif";
}

void GazouchuushutsuTest::writtenForm()
{
    QFETCH(QString, page);
    QFETCH(QString, written);
    const QList<ImageReference> images = gazouchuushutsu(page);
    QCOMPARE(images.size(), 1);
    QCOMPARE(images.first().written(page), written);
}

void GazouchuushutsuTest::fileName_data()
{
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("name");

    QTest::newRow("bare") << "pic01.jpg"
                          << "pic01.jpg";
    QTest::newRow("in a folder") << "img/sub/pic01.jpg"
                                 << "pic01.jpg";
    QTest::newRow("absolute") << "http://h/x/a.gif"
                              << "a.gif";
}

void GazouchuushutsuTest::fileName()
{
    QFETCH(QString, reference);
    QFETCH(QString, name);
    QCOMPARE(referenceFileName(reference), name);
}

void GazouchuushutsuTest::longPage()
{
    // Many "SRC" with no "=" after them must not make the scan quadratic or run past the end.
    QString page = QStringLiteral("<img src=\"first.gif\">");
    page += QString(200000, QLatin1Char('x')).replace(QLatin1String("xxx"), QLatin1String("SRC"));
    QCOMPARE(texts(page), QStringList{"first.gif"});
}

QTEST_APPLESS_MAIN(GazouchuushutsuTest)
#include "tst_gazouchuushutsu.moc"
