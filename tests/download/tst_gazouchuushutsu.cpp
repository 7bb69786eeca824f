#include "download/gazouchuushutsu.h"
#include "support/rows.h"

using namespace kuokuo;
using namespace kuokuo::test;

class GazouchuushutsuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scan_data();
    void scan();
    void longPage();
};

void GazouchuushutsuTest::scan_data()
{
    // name|page|the images, space-separated: as listed, or as written ">" as listed
    rows({"quoted|<img src=\"pic001.jpg\">|pic001.jpg",
          "upper case, unquoted|<IMG SRC=images/Logo.GIF width=10>|images/Logo.GIF",
          "spaces, quote and slash|<img src = \" /top.gif \">|/top.gif>top.gif",
          "protocol-relative, ends at >|<img src=//h/a.gif>|//h/a.gif>h/a.gif",
          "single quotes|<img src='a.jpg'>|", "cgi|<img src=\"/cgi-bin/c.gif\"> src=abcgif.gif|",
          "the next = after src|<img src=\"a.png\" lowsrc=\"a.gif\"> the src of x, w=c.gif|a.gif "
          "c.gif",
          "src and = inside a reference|src=img/src/a=b.gif|img/src/a=b.gif",
          "ends at a control character|src=a.gif\tx|a.gif",
          "extension in any case, nothing after it|src=A.Jpg src=a.jpeg src=a.jpg?x=1 "
          "src=a.png|A.Jpg",
          "duplicates|src=a.gif src=画像/猫.jpg src=a.gif|a.gif 画像/猫.jpg a.gif", "empty||",
          "src without = at the end|src=a.gif and then src|a.gif",
          "separators to the end|src=a.gif src= \" //|a.gif", "empty value|src=> src=.gif|.gif",
          // Unicode upper-casing turns "ß" into "SS", shifting every later position; "ſ" is no s.
          "only ASCII letters fold|ßßßß src=x.gif ﬃ ſrc=y.jpg|x.gif"});
}

void GazouchuushutsuTest::scan()
{
    const QString page = row()[0];
    QStringList images;
    for (const ImageReference &image : gazouchuushutsu(page)) {
        const QString text = image.text(page);
        images << (image.written(page) == text ? text : image.written(page) + ">" + text);
    }
    QCOMPARE(images.join(' '), row()[1]);
}

void GazouchuushutsuTest::longPage()
{
    // Many "SRC" with no "=" after them must not make the scan quadratic or run past the end.
    QString page = QStringLiteral("<img src=\"img/sub/first.gif\">");
    page += QString(200000, QLatin1Char('x')).replace(QLatin1String("xxx"), QLatin1String("SRC"));
    const QList<ImageReference> images = gazouchuushutsu(page);
    QCOMPARE(images.size(), 1);
    QCOMPARE(referenceFileName(images.first().text(page)), "first.gif");
}

QTEST_APPLESS_MAIN(GazouchuushutsuTest)
#include "tst_gazouchuushutsu.moc"
