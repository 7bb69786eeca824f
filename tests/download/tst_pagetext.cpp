#include "common/textfile.h"
#include "download/pagetext.h"

#include <QtTest>

using namespace kuokuo;

class PageTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decode_data();
    void decode();
    void headerCharset_data();
    void headerCharset();
};

namespace {
const QString Japanese = QStringLiteral("猫の画像～①ｶﾀｶﾅ");

QByteArray cp932(const QString &text)
{
    return *encodeCp932(text);
}

QByteArray eucJp(const QString &text)
{
    QStringEncoder encoder("EUC-JP");
    return encoder.encode(text);
}
} // namespace

void PageTextTest::decode_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("text");

    const QString page = QStringLiteral("<p>") + Japanese + QStringLiteral("</p>");
    QTest::newRow("header charset")
        << cp932(page) << QByteArray("text/html; charset=Shift_JIS") << page;
    QTest::newRow("header charset quoted, upper case")
        << eucJp(page) << QByteArray("text/html; CHARSET=\"EUC-JP\"") << page;
    QTest::newRow("header wins over meta") << QByteArray("<meta charset=\"utf-8\">") + cp932(page)
                                           << QByteArray("text/html;charset=windows-31j")
                                           << QStringLiteral("<meta charset=\"utf-8\">") + page;

    const QString withMeta = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                                            "content=\"text/html; charset=x-sjis\"></head>") +
                             page;
    QTest::newRow("meta http-equiv") << cp932(withMeta) << QByteArray("text/html") << withMeta;
    const QString html5 = QStringLiteral("<meta charset=euc-jp>") + page;
    QTest::newRow("meta charset") << eucJp(html5) << QByteArray() << html5;
    QTest::newRow("unknown header charset falls through to meta")
        << eucJp(html5) << QByteArray("text/html; charset=bogus-9") << html5;

    QTest::newRow("valid utf-8") << page.toUtf8() << QByteArray("text/html") << page;
    QTest::newRow("not utf-8 is cp932") << cp932(page) << QByteArray("text/html") << page;
    QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBF") + page.toUtf8()
                                           << QByteArray("text/html; charset=Shift_JIS") << page;
    QTest::newRow("ascii") << QByteArray("<img src=a.gif>") << QByteArray() << "<img src=a.gif>";
    QTest::newRow("empty") << QByteArray() << QByteArray() << QString();

    // A meta element far down the page is not looked at.
    const QString late = QString(5000, QLatin1Char(' ')) + QStringLiteral("<meta charset=euc-jp>");
    QTest::newRow("meta too late") << late.toLatin1() << QByteArray() << late;
}

void PageTextTest::decode()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, text);
    QCOMPARE(decodePage(body, contentType), text);
}

void PageTextTest::headerCharset_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("charset");

    QTest::newRow("none") << QByteArray("text/html") << QByteArray();
    QTest::newRow("plain") << QByteArray("text/html; charset=UTF-8") << QByteArray("UTF-8");
    QTest::newRow("quoted") << QByteArray("text/html; charset=\"EUC-JP\"") << QByteArray("EUC-JP");
    QTest::newRow("more parameters")
        << QByteArray("text/html; charset=sjis; x=y") << QByteArray("sjis");
}

void PageTextTest::headerCharset()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, charset);
    QCOMPARE(kuokuo::headerCharset(contentType), charset);
}

QTEST_APPLESS_MAIN(PageTextTest)
#include "tst_pagetext.moc"
