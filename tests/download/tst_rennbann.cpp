#include "download/rennbann.h"
#include "support/rows.h"

using namespace kuokuo;
using namespace kuokuo::test;

class RennbannTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pattern_data();
    void pattern();
    void name_data();
    void name();
    void folder_data();
    void folder();
};

void RennbannTest::pattern_data()
{
    // name|file name|its pattern ("-": none)|the field's start|width
    rows({"digits|jpggif001.jpg|jpggif???.jpg|7|3", "around a letter|pic12a3.gif|pic??a?.gif|4|4",
          "extension of four|photo01.jpeg|photo??.jpeg|6|2",
          "digit in the extension|song1.mp3|song?.mp3|5|1",
          "digit right before the extension|1234567|???4567|1|3", "no digit|logo.gif|logo.gif|0|0",
          "three characters|a.b|-|0|0", "full-width digits|pic０１.jpg|pic０１.jpg|0|0",
          "a pattern stays|a?b?.jpg|a?b?.jpg|2|3", "field at the end|pic??|pic??|4|2"});
}

void RennbannTest::pattern()
{
    const QStringList field = row();
    QCOMPARE(rennbannpattern(field[0]).value_or("-"), field[1]);
    QCOMPARE(rennbannfield(field[1]), (RennbannField{field[2].toInt(), field[3].toInt()}));
}

void RennbannTest::name_data()
{
    // name|pattern|number|file name
    rows({"low digits|jpggif???.jpg|1234|jpggif234.jpg", "negative|a???.jpg|-5|a005.jpg",
          "text inside the field|a?b?.jpg|7|a007.jpg", "field at the end|pic??|7|pic07",
          "ten places|??????????.jpg|5|00000005??.jpg",
          "nine places, negative|?????????.jpg|-5|-00000005.jpg",
          "smallest|????????.jpg|-32768|00032768.jpg"});
}

void RennbannTest::name()
{
    const QStringList field = row();
    const qint16 number = qint16(field[1].toInt());
    QCOMPARE(rennbannname(field[0], rennbannfield(field[0]), number), field[2]);
}

void RennbannTest::folder_data()
{
    // name|address|its folder
    rows({"page|http://h/x/y.html|http://h/x/", "host|http://h|http://h/",
          "scheme alone|http://|http:///", "last / at 9|http://a/|http://a/",
          "last / at 8|http:///x|http:///", "last / at 8, no scheme|abcdefg/x|abcdefg/",
          "https alone|https://|https:///", "https, last / at 9|https:///x|https:///",
          "https page|HTTPS://h/x/y.html|HTTPS://h/x/"});
}

void RennbannTest::folder()
{
    QCOMPARE(urlfolder(row()[0]), row()[1]);
}

QTEST_APPLESS_MAIN(RennbannTest)
#include "tst_rennbann.moc"
