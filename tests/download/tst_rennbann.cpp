#include "download/rennbann.h"

#include <QtTest>

using namespace kuokuo;

class RennbannTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pattern_data();
    void pattern();
    void field_data();
    void field();
    void name_data();
    void name();
    void folder_data();
    void folder();
};

void RennbannTest::pattern_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hasPattern");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("three digits") << "jpggif001.jpg" << true << "jpggif???.jpg";
    QTest::newRow("digits around a letter") << "pic12a3.gif" << true << "pic??a?.gif";
    QTest::newRow("five-letter extension") << "photo01.jpeg" << true << "photo??.jpeg";
    QTest::newRow("digit in extension kept") << "a1.mp3" << true << "a?.mp3";
    QTest::newRow("no digit") << "logo.gif" << true << "logo.gif";
    QTest::newRow("empty base") << ".gif" << true << ".gif";
    QTest::newRow("three characters") << "a.b" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("song") << "song1.mp3" << true << "song?.mp3";
    QTest::newRow("full-width digits") << "pic０１.jpg" << true << "pic０１.jpg";
    QTest::newRow("other script digits") << "pic٣.jpg" << true << "pic٣.jpg";
    QTest::newRow("pattern stays") << "jpggif???.jpg" << true << "jpggif???.jpg";
    QTest::newRow("japanese") << "画像12枚.jpg" << true << "画像??枚.jpg";
    QTest::newRow("all digits") << "1234567" << true << "???4567";
}

void RennbannTest::pattern()
{
    QFETCH(QString, name);
    QFETCH(bool, hasPattern);
    QFETCH(QString, pattern);
    const std::optional<QString> result = rennbannpattern(name);
    QCOMPARE(result.has_value(), hasPattern);
    if (hasPattern)
        QCOMPARE(*result, pattern);
}

void RennbannTest::field_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("width");

    QTest::newRow("three") << "jpggif???.jpg" << 7 << 3;
    QTest::newRow("two runs") << "a?b?.jpg" << 2 << 3;
    QTest::newRow("at the end") << "pic??" << 4 << 2;
    QTest::newRow("alone") << "?" << 1 << 1;
    QTest::newRow("none") << "logo.gif" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("spanning text") << "x??yy???z.gif" << 2 << 7;
}

void RennbannTest::field()
{
    QFETCH(QString, pattern);
    QFETCH(int, start);
    QFETCH(int, width);
    const RennbannField result = rennbannfield(pattern);
    QCOMPARE(result.start, start);
    QCOMPARE(result.width, width);
}

void RennbannTest::name_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");

    QTest::newRow("1") << "jpggif???.jpg" << 1 << "jpggif001.jpg";
    QTest::newRow("100") << "jpggif???.jpg" << 100 << "jpggif100.jpg";
    QTest::newRow("1234 keeps the low digits") << "jpggif???.jpg" << 1234 << "jpggif234.jpg";
    QTest::newRow("one place") << "img?.gif" << 12 << "img2.gif";
    QTest::newRow("field at the end") << "pic??" << 7 << "pic07";
    QTest::newRow("two places, 100") << "a??.jpg" << 100 << "a00.jpg";
    QTest::newRow("three places, 1000") << "a???.jpg" << 1000 << "a000.jpg";
    QTest::newRow("negative") << "a???.jpg" << -5 << "a005.jpg";
    QTest::newRow("text inside the field") << "a?b?.jpg" << 7 << "a007.jpg";
    QTest::newRow("ten places") << "??????????.jpg" << 5 << "00000005??.jpg";
    QTest::newRow("nine places, negative") << "?????????.jpg" << -5 << "-00000005.jpg";
    QTest::newRow("largest") << "?????.jpg" << 32767 << "32767.jpg";
    QTest::newRow("smallest, eight places") << "????????.jpg" << -32768 << "00032768.jpg";
    QTest::newRow("japanese around") << "画像??枚.jpg" << 3 << "画像03枚.jpg";
}

void RennbannTest::name()
{
    QFETCH(QString, pattern);
    QFETCH(int, number);
    QFETCH(QString, name);
    const RennbannField field = rennbannfield(pattern);
    const QString result = rennbannname(pattern, field.start, field.width, qint16(number));
    QCOMPARE(result, name);
    QCOMPARE(result.size(), pattern.size());
}

void RennbannTest::folder_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("folder");

    QTest::newRow("page") << "http://h/x/y.html"
                          << "http://h/x/";
    QTest::newRow("folder") << "http://h/x/"
                            << "http://h/x/";
    QTest::newRow("last part") << "http://h/x"
                               << "http://h/";
    QTest::newRow("host") << "http://h"
                          << "http://h/";
    QTest::newRow("host cut short") << "http://www."
                                    << "http://www./";
    QTest::newRow("double slash at end") << "http://h/x//"
                                         << "http://h/x//";
    QTest::newRow("scheme alone") << "http://"
                                  << "http:///";
    QTest::newRow("slash at 8 is the last") << "http://h/"
                                            << "http://h/";
    QTest::newRow("no scheme") << "abc"
                               << "abc/";
    QTest::newRow("empty") << ""
                           << "/";
    QTest::newRow("page in folder") << "http://host/gazou/index.html"
                                    << "http://host/gazou/";
    QTest::newRow("https host") << "https://h"
                                << "https://h/";
    QTest::newRow("https page") << "https://h/x/y.html"
                                << "https://h/x/";
    QTest::newRow("https upper case") << "HTTPS://H"
                                      << "HTTPS://H/";
    QTest::newRow("http upper case") << "HTTP://H/A/B.GIF"
                                     << "HTTP://H/A/";
    QTest::newRow("https folder") << "https://h/"
                                  << "https://h/";
    QTest::newRow("japanese path") << "http://h/画像/a.jpg"
                                   << "http://h/画像/";
}

void RennbannTest::folder()
{
    QFETCH(QString, address);
    QFETCH(QString, folder);
    QCOMPARE(urlfolder(address), folder);
}

QTEST_APPLESS_MAIN(RennbannTest)
#include "tst_rennbann.moc"
