#include "download/fetchrules.h"
#include "download/gazouchuushutsu.h"
#include "download/pagetext.h"
#include "download/partfile.h"
#include "download/rennbann.h"
#include "support/listing.h"
#include "support/rows.h"

#include <QStorageInfo>

#include <sys/stat.h>

using namespace kuokuo;
using namespace kuokuo::test;

// The downloader's pure components: numbered names and their patterns, the folder of an
// address, the text of a page's bytes, the image references in that text, and the part file a
// download arrives in.
class DownloadCoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ::umask(022); }
    void names_data()
    {
        // name|file name|its pattern ("-": none)|the field's start and width|a number|the name the
        // pattern gives for it
        rows({"digits|jpggif001.jpg|jpggif???.jpg|7 3|1234|jpggif234.jpg",
              "around a letter|pic12a3.gif|pic??a?.gif|4 4|7|pic0007.gif",
              "extension of four|photo01.jpeg|photo??.jpeg|6 2|-5|photo05.jpeg",
              "three characters|a.b|-|0 0", "four characters|1.23|1.23|0 0",
              "full-width digits|pic０１.jpg|pic０１.jpg|0 0",
              "ten places|??????????.jpg|??????????.jpg|1 10|5|00000005??.jpg",
              "nine places, negative|?????????.jpg|?????????.jpg|1 9|-5|-00000005.jpg"});
    }
    void names()
    {
        const QStringList field = row();
        const QString pattern = rennbannpattern(field[0]).value_or("-");
        const RennbannField place = rennbannfield(pattern);
        QCOMPARE(pattern + QStringLiteral("|%1 %2").arg(place.start).arg(place.width),
                 field[1] + "|" + field[2]);
        if (place.width)
            QCOMPARE(rennbannname(pattern, place, qint16(field[3].toInt())), field[4]);
    }
    void folder_data()
    {
        // name|address|its folder
        rows({"page|http://h/x/y.html|http://h/x/", "host|http://h|http://h/",
              "scheme alone|http://|http:///", "last / at 8|http:///x|http:///",
              "last / at 8, no scheme|abcdefg/x|abcdefg/",
              "https host, in capitals|HTTPS://h|HTTPS://h/"});
    }
    void folder() { QCOMPARE(urlfolder(row()[0]), row()[1]); }

    void rules_data()
    {
        // name|the rule and its values ("_" a space, "-" nothing)|what it gives
        rows({"same origin|referer http://u@h/x/p.html?q#top http://h/i/a.jpg|http://h/x/p.html?q",
              "another host|referer https://h:8443/x/p.html https://i.h/a.jpg|https://h:8443/",
              "https down to http|referer https://h/x/p.html http://h/a.jpg|",
              "seconds|retry 5 0|5", "at most a minute|retry 3600 0|60",
              "an HTTP date, rounded up|retry Wed,_21_Oct_2015_07:28:30_GMT 0|31",
              "a date gone by|retry Wed,_21_Oct_2015_07:00:00_GMT 0|0",
              "none, the first time|retry - 0|1", "none, later|retry soon 1|3",
              "html|page a.jpg text/html;q=1 x|1", "xhtml|page a application/xhtml+xml x|1",
              "an image|page a.jpg image/jpeg <html>|0", "a page's name|page a.HTML text/html x|0",
              "generic, a page|page a.JPG application/octet-stream "
              "\xEF\xBB\xBF_\r\n<!DocType_html>|1",
              "no type, a page|page a.jpg - <BODY>|1", "no type, an image|page a.jpg - GIF89a|0",
              "names|name a.jpg .. . a/b.jpg a\\b.jpg - .a.jpg ..a.jpg|1 0 0 0 0 0 1 1"});
    }
    void rules()
    {
        QStringList value = row()[0].split(' ');
        for (QString &v : value)
            v = v == "-" ? QString() : v.replace('_', ' ');
        const QString rule = value.takeFirst();
        QStringList got;
        if (rule == "referer")
            got << refererFor(QUrl(value[0]), QUrl(value[1]));
        if (rule == "retry")
            got << QString::number(
                retryDelay(value[0].toLatin1(),
                           QDateTime(QDate(2015, 10, 21), QTime(7, 27, 59, 500), Qt::UTC),
                           value[1].toInt())
                    .count());
        if (rule == "page")
            got << QString::number(
                isWebPageInstead(value[0], value[1].toLatin1(), value[2].toUtf8()));
        for (const QString &name : rule == "name" ? value : QStringList())
            got << QString::number(isPlainFileName(name));
        QCOMPARE(got.join(' '), row()[1]);
    }

    void decode_data()
    {
        // name|the body, piece by piece: "meta=LABEL" a meta element that declares LABEL, "far" 4
        // KiB of blanks, else a page in that encoding ("+bom" with its byte-order mark; "img:" a
        // page of one image name, as short as the detector may meet)|Content-Type
        rows({"header over meta|meta=x-sjis EUC-JP|text/html; CHARSET=\"EUC-JP\"",
              "unknown label, then meta|meta=x-sjis CP932|text/html; charset=x-unknown",
              "unknown labels, then detection|meta=bogus UTF-8|text/html; charset=bogus",
              "shift_jis as CP932|CP932|text/html;charset=shift_jis",
              "UTF-8 byte-order mark|UTF-8+bom|text/html; charset=EUC-JP",
              "UTF-16 byte-order mark|UTF-16BE+bom|text/html; charset=Shift_JIS",
              "meta after 4 KiB, not read|far meta=x-sjis EUC-JP|", "cp932|CP932|",
              "EUC-JP|img:EUC-JP|text/html", "ISO-2022-JP|img:ISO-2022-JP|text/html",
              "Shift_JIS|img:Shift_JIS|text/html", "UTF-16LE|img:UTF-16LE|text/html",
              "UTF-16BE|img:UTF-16BE|text/html"});
    }
    // Each piece reads as written; a byte-order mark is not part of the text.
    void decode()
    {
        const QString meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\">";
        QByteArray body;
        QString text;
        for (QString piece : row()[0].split(' ')) {
            const bool bom = piece.endsWith("+bom"), img = piece.startsWith("img:");
            const bool ascii = piece.startsWith("meta=") || piece == "far";
            piece.remove("img:").remove("+bom");
            const QString part = piece == "far" ? QString(4096, ' ')
                                 : ascii        ? meta.arg(piece.mid(5))
                                 : img ? QStringLiteral("<img src=\"猫の写真001.jpg\">")
                                       : QStringLiteral("<p>猫の画像～①ｶﾀｶﾅ</p>");
            text += part;
            body += QStringEncoder(ascii ? "UTF-8" : qPrintable(piece),
                                   bom ? QStringEncoder::Flag::WriteBom
                                       : QStringEncoder::Flag::Default)(part);
        }
        QCOMPARE(decodePage(body, row()[1].toLatin1()), text);
    }

    void scan_data()
    {
        // Many "SRC" with no "=" after them must not make the scan quadratic or run past the end.
        const QString manySrc = QString(200000, 'x').replace("xxx", "SRC");
        // name|page|the images, space-separated: as listed, or as written ">" as listed
        rows({"quoted|<img src=\"pic001.jpg\">|pic001.jpg",
              "upper case, unquoted|<IMG SRC=images/Logo.GIF width=10>|images/Logo.GIF",
              "spaces, quote and slash|<img src = \" /top.gif \">|/top.gif>top.gif",
              "protocol-relative, ends at >|<img src=//h/a.gif>|//h/a.gif>h/a.gif",
              "single quotes and cgi|<img src='a.jpg'><img src=\"/cgi-bin/c.gif\"> src=abcgif.gif|",
              "the next = after src|<img src=\"a.png\" lowsrc=\"a.gif\"> the src of x, w=c.gif|"
              "a.gif c.gif",
              "src and = inside a reference|src=img/src/a=b.gif|img/src/a=b.gif",
              "extension in any case, nothing after it|src=A.Jpg src=a.jpeg src=a.jpg?x=1 "
              "src=a.png|A.Jpg",
              "many src without = at the end|src=画像/猫.gif " + manySrc + "|画像/猫.gif",
              // Unicode upper-casing turns "ß" into "SS", shifting every later position; "ſ" is
              // no s.
              "only ASCII letters fold|ßßßß src=x.gif ﬃ ſrc=y.jpg|x.gif"});
    }
    void scan()
    {
        const QString page = row()[0];
        QStringList images;
        for (const ImageReference &image : gazouchuushutsu(page)) {
            const QString text = image.text(page);
            images << (image.written(page) == text ? text : image.written(page) + ">" + text);
        }
        QCOMPARE(images.join(' '), row()[1]);
    }

    void commit_data()
    {
        // name|mode of the file the bytes replace (0: none), or "shm": the part file on another
        // file system, in /dev/shm, as when the download folder changed meanwhile|the folders
        // afterwards
        rows({"new file|0|a.jpg 5003 644", "replaced file keeps its mode|0604|a.jpg 5003 604",
              "across file systems|shm|a.jpg 5003 644"});
    }
    // A committed file stays whole once its part file has gone; a replaced one keeps its mode.
    // While the bytes arrive, no name shows that a file list lists.
    void commit()
    {
        QTemporaryDir folder, shm("/dev/shm/kuokuo-XXXXXX");
        const bool across = row()[0] == "shm";
        if (across && (!shm.isValid() ||
                       QStorageInfo(shm.path()).device() == QStorageInfo(folder.path()).device()))
            QSKIP("/dev/shm and the temporary folder are one file system");
        const QString path = folder.filePath("a.jpg");
        QFile old(path);
        const int mode = row()[0].toInt(nullptr, 8);
        QVERIFY(!mode || (old.open(QIODevice::WriteOnly) && old.flush() &&
                          ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0));
        const QString partFolder = across ? shm.path() : folder.path();
        PartFile part(partFolder);
        const QByteArray bytes = "abc" + QByteArray(5000, 'x');
        QVERIFY(part.open() && part.device()->write(bytes) == bytes.size() &&
                QDir(partFolder).entryList(QDir::Files).filter("part").isEmpty());
        QVERIFY(part.commit(path));
        QCOMPARE(listing(folder.path()) + listing(shm.path()), row()[1]);
    }
};

QTEST_APPLESS_MAIN(DownloadCoreTest)
#include "tst_downloadcore.moc"
