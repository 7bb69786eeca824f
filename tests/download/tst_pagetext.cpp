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
};

void PageTextTest::decode_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("text");

    const QString page = QStringLiteral("<p>猫の画像～①ｶﾀｶﾅ</p>");
    const QByteArray cp932 = *encodeCp932(page);
    const QByteArray eucJp = QStringEncoder("EUC-JP")(page);
    const QByteArray sjis = "text/html; charset=Shift_JIS";
    const QString meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">";
    const QByteArray late = QByteArray(5000, ' ') + "<meta charset=euc-jp>";
    QTest::newRow("header") << eucJp << QByteArray("text/html; CHARSET=\"EUC-JP\"") << page;
    QTest::newRow("header before meta")
        << "<meta charset=utf-8>" + cp932 << QByteArray("text/html;charset=windows-31j")
        << "<meta charset=utf-8>" + page;
    QTest::newRow("meta") << meta.toLatin1() + cp932 << QByteArray("text/html") << meta + page;
    QTest::newRow("unknown header charset, meta")
        << "<meta charset=euc-jp>" + eucJp << QByteArray("text/html; charset=bogus")
        << "<meta charset=euc-jp>" + page;
    QTest::newRow("meta too late") << late + eucJp << QByteArray() << decodeCp932(late + eucJp);
    QTest::newRow("utf-8") << page.toUtf8() << QByteArray() << page;
    QTest::newRow("otherwise cp932") << cp932 << QByteArray() << page;
    QTest::newRow("utf-8 byte-order mark") << "\xEF\xBB\xBF" + page.toUtf8() << sjis << page;
    QTest::newRow("utf-16 byte-order mark")
        << QByteArray(QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom)(page))
        << sjis << page;
}

void PageTextTest::decode()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QTEST(decodePage(body, contentType), "text");
}

QTEST_APPLESS_MAIN(PageTextTest)
#include "tst_pagetext.moc"
