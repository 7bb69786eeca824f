#include "common/textfile.h"
#include "download/downloadengine.h"
#include "platform/contentdecoder.h"
#include "platform/inet.h"
#include "support/httpserver.h"
#include "support/rows.h"

#include <QBuffer>

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
const char *const RunEnds = "last abort missing failed ended";
// The failures of a transfer, as the tables write them.
const QStringList Failures =
    QString("none stopped address body file bomb full write damaged cut time http redirect loop "
            "host connect name expired unknown tls other")
        .split(' ');

QString num(int n)
{
    return QString::number(n);
}

// How a run ended, named as the tables write it.
QString ended(int end, const char *names)
{
    return "=" + QString(names).split(' ').at(end);
}

// Why a file was not saved, as the tables write it: "/403", "/page", "/name", "/cut" …; nothing
// for a file too short.
QString tag(const Refusal &why)
{
    using Kind = Refusal::Kind;
    return why.kind == Kind::TooShort  ? QString()
           : why.kind == Kind::Status  ? "/" + num(why.status)
           : why.kind == Kind::WebPage ? "/page"
           : why.kind == Kind::BadName ? "/name"
                                       : "/" + Failures.at(int(why.failure));
}

// Writes down what the engine tells its host, in order: "+n" saved and "-n" missing numbers,
// "i" saved and "x" refused images, "f" a failure, "wN" a wait of N s for a busy server, "!n" the
// cat's lines, "?" the probe's question, the start it is asked for, the status texts shortened
// to "go:", "?ok:", "ok:", "end" and "none", and "=" how the probe ended.
class RecordingHost final : public DownloadHost
{
public:
    QTemporaryDir folder;
    QString address;
    QStringList log, saved;
    int turn = 0, abortAfter = 0, start = 0; // start: the probe's, 0 none
    int done = 0, total = 0;                 // the last progress
    std::function<void()> onWait = [] {};

    QString folderAddress() override { return address; }
    QString downloadFolder() override { return folder.path(); }
    void fetching(const QString &, int number) override { turn = number; }
    void numberedSaved(qint16 n, const QString &file, qint64) override
    {
        log << "+" + num(n), saved << file;
    }
    void numberedMissing(qint16 n, const Refusal &why) override { log << "-" + num(n) + tag(why); }
    void imageSaved(int, const QString &name, qint64) override { log << "i" + name, saved << name; }
    void imageRefused(int, const Refusal &why) override { log << "x" + why.name + tag(why); }
    void failed(const Refusal &why) override { log << "f" + tag(why); }
    void waiting(const Refusal &why, int s) override { log << "w" + num(s) + tag(why), onWait(); }
    void progress(int n, int of) override { done = n, total = of; }
    bool aborted() override { return abortAfter && saved.size() >= abortAfter; }
    bool ending() override { return false; }
    void speak(qint16 line) override { log << "!" + num(line); }
    void status(const QString &text) override
    {
        log << QString(text)
                   .replace("?の連番ファイル確認終了にゃあ．", "?ok:")
                   .replace("連番ファイル確認終了にゃあ．", "ok:")
                   .replace("連番ファイル確認はじめるにゃあ．", "go:")
                   .replace("終了にゃあ．", "end")
                   .replace("画像ファイルが存在しないにゃあ．", "none");
    }
    bool probeWanted(const QString &name) override { return log << "?" + name, true; }
    std::optional<qint16> probeStart(const QString &pattern, const QString &name,
                                     const QString &at) override
    {
        log << QStringList{"start", pattern, name, QUrl(at).path()}.join(',');
        address = at;
        return start ? std::optional<qint16>(start) : std::nullopt;
    }
    void probeEnded(DownloadEngine::RunEnd end) override { log << ended(int(end), RunEnds); }
};
} // namespace

// The engine against the test server: the transfer it stands on, numbered series, pages and the
// probe through the ordered window of requests.
class DownloadEngineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init()
    {
        host = std::make_unique<RecordingHost>();
        engine = std::make_unique<DownloadEngine>(inet, *host);
    }
    void transfer_data();
    void transfer();
    void contentCoding_data();
    void contentCoding();
    void series_data();
    void series();
    void extraction_data();
    void extraction();

private:
    HttpServer server;
    Inet inet;
    std::unique_ptr<RecordingHost> host;
    std::unique_ptr<DownloadEngine> engine;
    int m_row = 0;
};

void DownloadEngineTest::initTestCase()
{
    using std::chrono::seconds;
    const QByteArray body = HttpServer::content(70000), bomb(Inet::MaxBodySize + 1024 * 1024, 0);
    Inet::setTimeout(seconds(1));
    server.file("/a.jpg", body);
    server.reply("/page.html", {200, 0, body, -1, "text/html", true, {}, {}, {}, {}, {}});
    server.reply("/loop", {302, 0, {}, -1, {}, false, "/loop", {}, {}, {}, {}});
    server.reply("/file", {302, 0, {}, -1, {}, false, "file:///etc/passwd", {}, {}, {}, {}});
    server.reset("/cut.jpg", 100000, 40000);
    server.reply("/short.gz", {200, 300, body, -1, "text/html", true, {}, {}, {}, {}, {}});
    server.reply("/bomb.jpg", {200, 0, bomb, -1, "image/jpeg", true, {}, {}, {}, {}, {}});
    server.generated("/big.jpg", 200000);
    server.generated("/endless.jpg", -1);
    server.generated("/huge.html", Inet::MaxBodySize + 1, "text/html");
    server.reply("/k.jpg",
                 {200, 0, body, -1, "image/jpeg", false, {}, {}, {}, {}, "Cookie: sid=abc"});
    // Slower than a byte a second, but done in seconds when nothing holds it to the limit.
    server.reply("/trickle.jpg", {200, 3, {}, -1, "image/jpeg", false, {}, seconds(3), {}, {}, {}});
    server.reply("/stall.jpg", {200, 9, {}, -1, "image/jpeg", false, {}, {}, seconds(5), {}, {}});
    server.serve("/err.html", "h");
    // Three redirects, the first of them compressed, to a plain answer.
    server.reply("/r1", {302, 0, {}, -1, {}, true, "/r2", {}, {}, {}, {}});
    server.serve("/r2", ">/r3");
    server.serve("/r3", ">/a.jpg");
}

void DownloadEngineTest::transfer_data()
{
    // name|address: a path of the server or a whole one (%1: its host and port)|into memory, a
    // file or a device that takes nothing; into memory with a cookie given, or given and taken
    // back, or stopped after 50 ms|the status, or the failure and what its error says
    rows({"gzip decoded|/page.html|memory|200", "no scheme|%1/a.jpg|file|200",
          "three redirects, the first compressed|/r1|memory|200",
          "connection refused, https|https://127.0.0.1:1/a.jpg|memory|connect: ",
          "https from a plain server|https://%1/a.jpg|memory|tls: ",
          "stopped while the server waits|/stall.jpg|stop|stopped: the transfer was stopped",
          "redirect loop|/loop|memory|redirects", "redirect to file:|/file|memory|to file: refused",
          "short body, then a clean close|/cut.jpg|file|closed",
          "gzip cut off, the response whole|/short.gz|file|cut short",
          "decompression bomb|/bomb.jpg|file|decompression bomb",
          "larger than the maximum|/big.jpg|file|larger than the maximum of 128 KiB",
          "endless body|/endless.jpg|file|larger than the maximum of 128 KiB",
          "a page too large|/huge.html|memory|body: the body is larger than 64 MiB",
          "trickle|/trickle.jpg|file|no progress for 1 s",
          "write fails, at once|/endless.jpg|none|write: the file could not be written",
          "cookie given|/k.jpg|cookie|200", "cookie taken back|/k.jpg|taken back|403"});
}

// One transfer of the Inet ends with the whole body or fails; its states come in order, each
// once, and end as it did.
void DownloadEngineTest::transfer()
{
    const QStringList field = row();
    const QString address = field[0].startsWith('/')
                                ? server.url(field[0])
                                : QString(field[0]).replace("%1", server.url("").mid(7));
    Inet fresh;
    if (field[2].contains("maximum"))
        fresh.setMaxFileSize(128 * 1024);
    const InetCookie cookie{"sid", "abc", "127.0.0.1", "/", false, false, 0};
    if (field[1] == "cookie" || field[1] == "taken back")
        fresh.addCookie(cookie);
    if (field[1] == "taken back")
        fresh.removeCookie(cookie);
    QStringList states;
    connect(&fresh, &Inet::StateChanged, this,
            [&](qint16 state) { states << QString::number(state); });
    if (field[1] == "stop")
        QTimer::singleShot(50, &fresh, [&] { fresh.abort(); });
    QBuffer file;
    file.open(field[1] == "file" ? QIODevice::WriteOnly : QIODevice::ReadOnly);
    const InetResponse response = field[1] == "file" || field[1] == "none"
                                      ? fresh.fetchInto(address, file)
                                      : fresh.fetch(address);
    const QString got = response.ok ? num(response.status)
                                    : Failures.at(int(response.failure)) + ": " + response.error;
    QVERIFY2(got.contains(field[2]), qPrintable(got));
    if (response.ok && response.status == 200) // into memory or into the file
        QCOMPARE(response.bytes + file.data(), HttpServer::content(70000));
    const QString all = states.join(' ');
    QVERIFY2(all.startsWith("1 2 3 ") && all.endsWith(response.ok ? " 4 5 6 7 8 12" : " 11"),
             qPrintable(all));
    QVERIFY(!fresh.busy());
}

void DownloadEngineTest::contentCoding_data()
{
    // name|Content-Encoding|the body: gzip, zlib or raw; "+" two gzip members, "-" cut short,
    // "!" a damaged check sum, "?" bytes after the end; "large": 17 MiB that do not compress|
    // bytes a piece (0: all; r: cut anywhere, many times over)|how it ended
    rows({"gzip, a byte at a time|X-Gzip|gzip|1|whole",
          "two gzip members, cut anywhere|gzip|gzip+|r|whole",
          "deflate in zlib's frame, cut anywhere|deflate|zlib|r|whole",
          "deflate without a frame, cut anywhere|Deflate|raw|r|whole",
          "not coded|identity|plain|0|whole", "cut short|gzip|gzip-|0|cut short",
          "damaged|gzip|gzip!|0|damaged", "bytes after the end|gzip|gzip?|5|data follows",
          "a coding it cannot undo|br|gzip|0|cannot be decoded",
          "large, but no bomb|gzip|large|0|whole"});
}

// A coded body decodes whole however it is cut into pieces, and a damaged or short one fails.
void DownloadEngineTest::contentCoding()
{
    const QStringList field = row();
    QRandomGenerator random(17); // the same cuts in every run
    QByteArray content = HttpServer::content(70000);
    const QString form = field[1];
    if (form == "large") {
        content.resize(17 << 20);
        random.fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
    }
    const QByteArray half = content.first(30000);
    QByteArray body = form == "plain"  ? content
                      : form == "raw"  ? HttpServer::compress(content, -15)
                      : form == "zlib" ? HttpServer::compress(content, 15)
                                       : HttpServer::compress(content, 31);
    if (form.endsWith('+'))
        body =
            HttpServer::compress(half, 31) + HttpServer::compress(content.sliced(half.size()), 31);
    if (form.endsWith('!'))
        body[body.size() - 6] = char(body[body.size() - 6] ^ 1);
    body.chop(form.endsWith('-') ? 6 : 0);
    body += form.endsWith('?') ? "trailing" : "";
    const bool anywhere = field[2] == "r";
    for (int round = 0; round < (anywhere ? 300 : 1); ++round) {
        ContentDecoder decoder;
        decoder.reset(field[0].toLatin1());
        QByteArray decoded;
        bool ok = true;
        for (qsizetype at = 0, piece = 0; ok && at < body.size(); at += piece) {
            // The first piece of one or two bytes, the others of any size.
            piece = !anywhere ? (field[2].toInt() ? field[2].toInt() : body.size())
                    : at == 0 ? random.bounded(1, 3)
                              : 1 + random.bounded(1 << random.bounded(10));
            piece = std::min(piece, body.size() - at);
            ok = decoder.decode(
                QByteArrayView(body).sliced(at, piece),
                [&](const char *data, qint64 n) { return decoded.append(data, n), true; });
        }
        const QString got = !ok                   ? decoder.error()
                            : !decoder.complete() ? "cut short"
                            : decoded == content  ? "whole"
                                                  : "other bytes";
        QVERIFY2(got.contains(field[3]), qPrintable(got + " in round " + num(round)));
    }
}

void DownloadEngineTest::series_data()
{
    // name|what numbers first, first + 1 … answer|first|last|"pN" N requests at once, "aN"
    // abort after N files, "a" abort at a wait, "r" no Referer|log
    rows({"3000 is a file, 2999 is not|3000 2999 4000 4000 4000 4000|1|100|p6|+1 -2 !11 =missing",
          "500|4000 4000 e500 4000|1|9|p3|+1 +2 -3/500 !11 =missing",
          "to the last|4000 4000 4000|0|1|p6|+0 +1 =last", "first above last|4000|5|4|p6|=last",
          "abort|4000 4000 4000 4000 4000 4000 4000 4000|1|9|p6 a2|+1 +2 =abort",
          "cut off before a file|R 4000|1|2|p6|f/cut =failed",
          "cut off after a file|4000 R 4000|1|3|p6|+1 f/cut !23 =failed",
          "32767|4000 4000|32766|32767|p6|+32766 +32767 !23 =failed",
          "a web page instead|4000 h 4000|1|9|p6|+1 -2/page !11 =missing",
          "a web page without a type|u 4000|1|9|p6|-1/page !11 =missing",
          "redirect to an error page|4000 4000 >/err.html|1|9|p6|+1 +2 -3/page !11 =missing",
          "hotlink guard|g4000 g4000|1|2|p6|+1 +2 =last",
          "hotlink guard, no Referer|g4000|1|2|p6 r|-1/403 !11 =missing",
          "cookie set during the run|s4000 k4000 k4000|1|3|p1|+1 +2 +3 =last",
          "busy: seconds, a date|b1,4000 t-,4000|1|2|p6|w1/503 +1 w0/429 +2 =last",

          "reset before the first byte|Z,4000|1|1|p6|w1/connect +1 =last",
          "still busy, later wait|4000 b0,b0,b0 4000|1|3|p6|+1 w0/503 w0/503 -2/503 !11 =missing",
          "abort during a wait|t+ 4000|1|2|p6 a|w60/429 =abort"});
}

// Files land whole in number order, none is left past the number that ends the run, at most
// parallel - 1 requests go past it, and each transfer's states come in order.
void DownloadEngineTest::series()
{
    const QStringList field = row();
    const int first = field[1].toInt(), last = field[2].toInt();
    const QStringList settings = field[3].split(' ');
    const int parallel = settings[0].mid(1).toInt();
    const QString path = QStringLiteral("/s%1/").arg(++m_row), pattern = "n?????.jpg";
    const RennbannField place = rennbannfield(pattern);
    int n = first;
    for (const QString &what : field[0].split(' '))
        server.serve(path + rennbannname(pattern, place, n++), what, server.url(path).toUtf8());
    // The first file comes last, so that the later ones wait for it.
    server.delay(std::chrono::milliseconds(60), path + rennbannname(pattern, place, first));
    const QSignalSpy states(&inet, &Inet::StateChanged);
    host->address = server.url(path);
    host->abortAfter = settings.value(1).mid(1).toInt();
    if (settings.contains("a"))
        host->onWait = [this] {
            QTimer::singleShot(0, [this] { host->abortAfter = -1, engine->endWait(); });
        };
    if (settings.contains("r"))
        engine->setReferer(QByteArray());
    engine->setParallel(parallel);
    QElapsedTimer clock;
    clock.start();
    const auto end = engine->numberedRun(pattern, place, first, last);

    QCOMPARE((host->log << ended(int(end), RunEnds)).join(' '), field[4]);
    // The progress counts every number handled, a missing one too, of the whole range.
    QCOMPARE(num(host->done) + "/" + num(host->total),
             num(host->log.filter(QRegularExpression("^[-+]")).size()) + "/" +
                 num(std::max(0, last - first + 1)));
    QVERIFY(clock.elapsed() < 10000); // an abort ends a wait at once
    QCOMPARE(QDir(host->folder.path()).entryList(QDir::Files | QDir::Hidden), host->saved);
    for (const QString &saved : host->saved) {
        QFile file(host->folder.filePath(saved));
        QVERIFY(file.open(QIODevice::ReadOnly) &&
                file.readAll() == HttpServer::generatedContent(path + saved, file.size()));
    }
    for (const QString &request : server.requests().filter(path))
        QVERIFY2(request.mid(path.size() + 1, 5).toInt() <
                     std::min(last + 1, host->turn + parallel),
                 qPrintable(request));
    for (qsizetype i = 1; i < states.size(); ++i)
        QVERIFY(states[i][0].toInt() > states[i - 1][0].toInt() ||
                states[i][0].toInt() == Inet::icResolvingHost);
}

void DownloadEngineTest::extraction_data()
{
    // name|address (%1: the server)|/x/p.html, in CP932, or "=" and the addresses of the images
    // a page shows|path=what …|the probe's start (0 none)|log
    const QString probed = "/x/p.html|<img src=/g/pic01.jpg><img src=logo.gif>|/x/logo.gif=9 "
                           "/g/pic01.jpg=4000 /g/pic02.jpg=";
    const QString start = "|1|?pic01.jpg go:pic??.jpg start,pic??.jpg,pic01.jpg,/g/ +1 ";
    const QString rest = "ok:pic01.jpg ipic01.jpg ok:logo.gif ilogo.gif end =done";
    rows({"images|/old/p.html|<img src=pic.gif><img src=\"../o/o.jpg\"><IMG SRC=/r.jpg><img "
          "src=//%1/q/q.gif><img src=画像/猫.gif><img src=no.gif><img src=pic.gif>|/x/pic.gif=3 "
          "/o/o.jpg=9 /r.jpg=9 /q/q.gif=9 /x/画像/猫.gif=9 /x/no.gif=e403 /old/p.html=>/x/p.html|0|"
          "ok:pic.gif ipic.gif ok:o.jpg io.jpg ok:r.jpg ir.jpg ok:q.gif iq.gif ok:猫.gif i猫.gif "
          "xno.gif/403 ok:pic.gif ipic.gif end =done",
          "probe|" + probed + "4000" + start + "+2 -3/404 !11 ?ok:pic??.jpg =missing " + rest,
          "probe fails, the page goes on|" + probed + "R" + start + "f/cut !23 =failed " + rest,
          "refusals named, the page goes on|/x/p.html|<img src=a.gif><img src=b.gif><img "
          "src=..\\c.gif><img src=d.gif>|/x/a.gif=h /x/b.gif=g9 /x/d.gif=b0,9|0|xa.gif/page "
          "ok:b.gif ib.gif x..\\c.gif/name w0/503 ok:d.gif id.gif end =done",
          "no images|/x/p.html|<script src=a.js><img src='b.gif'>||0|none =none",
          "page missing|/no.html|||0|f/404 !6 =failed", "ftp|ftp://%1/p|||0|f/address !6 =failed",
          "image cut off|/x/p.html|<img src=a.gif><img src=b.gif><img src=c.gif>|/x/a.gif=9 "
          "/x/b.gif=R|0|ok:a.gif ia.gif f/cut !6 =failed",
          "the images a page shows|/x/p.html|=http://%1/x/a.gif data:image/gif;base64,R0lG "
          "http://%1/x/a.gif http://%1/x/b.gif http://%1/x/%E7%8C%AB.gif http://%1/x/c.gif "
          "http://%1/x/d.gif|/x/a.gif=9 /x/b.gif=g9 /x/猫.gif=9 /x/c.gif=e404 /x/d.gif=R|0|"
          "ia.gif ib.gif i猫.gif xc.gif/404 xd.gif/cut =3 saved, 2 skipped"});
}

// Each image is saved in page order after its series was asked about; a refused one is named
// and skipped; a failure ends the page, a failure in the probe only the probe. The images a page
// shows are saved as far as they can be.
void DownloadEngineTest::extraction()
{
    const QStringList field = row();
    const QString at = server.url("").mid(7); // host and port
    const QString page = field[0].startsWith('/') ? server.url(field[0]) : field[0].arg(at);
    server.file("/x/p.html", *encodeCp932(field[1].arg(at)), "text/html");
    for (const QString &route : field[2].split(' ', Qt::SkipEmptyParts))
        server.serve(route.section('=', 0, 0), route.section('=', 1), page.toUtf8());
    server.delay(std::chrono::milliseconds(60), "/x/pic.gif"); // the first image comes last
    host->start = field[3].toInt();
    if (field[1].startsWith('=')) {
        const PageImages images =
            engine->saveImages(field[1].mid(1).arg(at).split(' '), page.toUtf8());
        host->log << QStringLiteral("=%1 saved, %2 skipped").arg(images.saved).arg(images.skipped);
    } else {
        host->log << ended(int(engine->extract(page, true)), "done none failed ended");
    }
    QCOMPARE(host->log.join(' '), field[4]);
    QCOMPARE(host->done, host->log.filter(QRegularExpression("^[ix]")).size());
    host->saved.removeDuplicates();
    host->saved.sort();
    QCOMPARE(QDir(host->folder.path()).entryList(QDir::Files | QDir::Hidden), host->saved);
}

QTEST_GUILESS_MAIN(DownloadEngineTest)
#include "tst_downloadengine.moc"
