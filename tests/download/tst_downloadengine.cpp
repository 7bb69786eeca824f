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

QString num(int n)
{
    return QString::number(n);
}

// How a run ended, named as the tables write it.
QString ended(int end, const char *names)
{
    return "=" + QString(names).split(' ').at(end);
}

// Writes down what the engine tells its host, in order: "+n" saved and "-n" missing numbers,
// "i" saved images, "!n" the cat's lines, "?" the probe's question, the start it is asked for,
// the status texts shortened to "go:", "?ok:", "ok:", "end" and "none", and "=" how the probe
// ended.
class RecordingHost final : public DownloadHost
{
public:
    QTemporaryDir folder;
    QString address;
    QStringList log, saved;
    int turn = 0, abortAfter = 0, start = 0; // start: the probe's, 0 none

    void save(const QString &name, const QString &entry)
    {
        saved << name;
        log << entry;
    }
    QString folderAddress() override { return address; }
    QString downloadFolder() override { return folder.path(); }
    void fetching(const QString &, int number) override { turn = number; }
    void numberedSaved(qint16 n, const QString &name, qint64) override { save(name, "+" + num(n)); }
    void numberedMissing(qint16 n, const QString &, qint64) override { log << "-" + num(n); }
    void imageSaved(int, const QString &name, qint64) override { save(name, "i" + name); }
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
    bool probeWanted(const QString &name) override
    {
        log << "?" + name;
        return true;
    }
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
    void abortedTransfer();
    void contentCoding_data();
    void contentCoding();
    void series_data();
    void series();
    void extraction_data();
    void extraction();

private:
    // What `path` answers: that many bytes; "eN" the status N with 4000 bytes; "R" 4000 bytes
    // cut off at 2000; ">path" a redirect.
    void serve(const QString &path, const QString &what)
    {
        HttpServer::Reply reply;
        reply.status = what.startsWith('e') ? what.mid(1).toInt() : 200;
        reply.size = what.toInt() ? what.toInt() : 4000;
        reply.cutAt = what == "R" ? 2000 : -1;
        reply.location = what.startsWith('>') ? what.mid(1) : QString();
        server.reply(path, reply);
    }

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
    server.reply("/page.html", {200, 0, body, -1, "text/html", true, {}, {}, {}});
    server.reply("/loop", {302, 0, {}, -1, {}, false, "/loop", {}, {}});
    server.reset("/cut.jpg", 100000, 40000);
    server.reply("/cut.gz", {200, 0, body, 300, "text/html", true, {}, {}, {}});
    server.reply("/short.gz", {200, 300, body, -1, "text/html", true, {}, {}, {}});
    server.reply("/bomb.html", {200, 0, bomb, -1, "text/html", true, {}, {}, {}});
    // Slower than a byte a second, but done in seconds when nothing holds it to the limit.
    server.reply("/trickle.jpg", {200, 3, {}, -1, "image/jpeg", false, {}, seconds(3), {}});
    server.reply("/stall.jpg", {200, 9, {}, -1, "image/jpeg", false, {}, {}, seconds(5)});
}

void DownloadEngineTest::transfer_data()
{
    // name|address: a path of the server or a whole one (%1: its host and port)|into memory, a
    // file or a device that takes nothing|the status, or what the error says
    rows({"gzip decoded|/page.html|memory|200", "no scheme|%1/a.jpg|file|200",
          "redirect loop|/loop|memory|redirects",
          "short body, then a clean close|/cut.jpg|file|closed", "gzip cut off|/cut.gz|file|closed",
          "gzip cut off, the response whole|/short.gz|file|cut short",
          "decompression bomb|/bomb.html|memory|larger than 64 MiB",
          "trickle|/trickle.jpg|file|no progress for 1 s",
          "write fails|/a.jpg|none|could not be written"});
}

// One transfer of the Inet ends with the whole body or fails; its states come in order, each
// once, and end as it did.
void DownloadEngineTest::transfer()
{
    const QStringList field = row();
    const QString address =
        field[0].startsWith('/') ? server.url(field[0]) : field[0].arg(server.url("").mid(7));
    Inet fresh;
    QStringList states;
    connect(&fresh, &Inet::StateChanged, this,
            [&](qint16 state) { states << QString::number(state); });
    QBuffer file;
    file.open(field[1] == "file" ? QIODevice::WriteOnly : QIODevice::ReadOnly);
    const InetResponse response =
        field[1] == "memory" ? fresh.fetch(address) : fresh.fetchInto(address, file);
    const QString got = response.ok ? QString::number(response.status) : response.error;
    QVERIFY2(got.contains(field[2]), qPrintable(got));
    if (response.ok) // into memory or into the file
        QCOMPARE(response.bytes + file.data(), HttpServer::content(70000));
    const QString all = states.join(' ');
    QVERIFY2(all.startsWith("1 2 3 ") && all.endsWith(response.ok ? " 4 5 6 7 8 12" : " 11"),
             qPrintable(all));
}

// The wait keeps the event loop running: a timer aborts the transfer, and the Inet goes on.
void DownloadEngineTest::abortedTransfer()
{
    QTimer::singleShot(50, &inet, [&] { inet.abort(); });
    QCOMPARE(inet.fetch(server.url("/stall.jpg")).error, "the transfer was stopped");
    QVERIFY(!inet.busy());
    QVERIFY(inet.fetch(server.url("/a.jpg")).ok);
}

void DownloadEngineTest::contentCoding_data()
{
    // name|Content-Encoding|the body: gzip, zlib or raw; "+" two gzip members, "-" cut short,
    // "!" a damaged check sum, "?" bytes after the end|bytes a piece (0: all)|how it ended
    rows({"gzip|gzip|gzip|0|whole", "gzip, a byte at a time|X-Gzip|gzip|1|whole",
          "two gzip members|gzip|gzip+|7|whole", "deflate in zlib's frame|deflate|zlib|1|whole",
          "deflate without a frame|Deflate|raw|0|whole", "not coded|identity|plain|0|whole",
          "cut short|gzip|gzip-|0|cut short", "damaged|gzip|gzip!|0|damaged",
          "bytes after the end|gzip|gzip?|5|data follows",
          "a coding it cannot undo|br|gzip|0|cannot be decoded"});
}

// A coded body decodes whole however it is cut into pieces, and a damaged or short one fails.
void DownloadEngineTest::contentCoding()
{
    const QStringList field = row();
    const QByteArray content = HttpServer::content(70000), half = content.first(30000);
    const QString form = field[1];
    QByteArray body =
        form == "plain" ? content : HttpServer::compress(content, form == "zlib" ? 15 : 31);
    if (form == "raw")
        body = HttpServer::compress(content, -15);
    if (form.endsWith('+'))
        body =
            HttpServer::compress(half, 31) + HttpServer::compress(content.sliced(half.size()), 31);
    if (form.endsWith('!'))
        body[body.size() - 6] = char(body[body.size() - 6] ^ 1);
    body.chop(form.endsWith('-') ? 6 : 0);
    body += form.endsWith('?') ? "trailing" : "";
    ContentDecoder decoder;
    decoder.reset(field[0].toLatin1());
    QByteArray decoded;
    bool ok = true;
    const qsizetype piece = field[2].toInt() ? field[2].toInt() : body.size();
    for (qsizetype at = 0; ok && at < body.size(); at += piece)
        ok = decoder.decode(
            QByteArrayView(body).sliced(at, std::min(piece, body.size() - at)),
            [&](const char *data, qint64 n) { return decoded.append(data, n), true; });
    const QString got = !ok                   ? decoder.error()
                        : !decoder.complete() ? "cut short"
                        : decoded == content  ? "whole"
                                              : "other bytes";
    QVERIFY2(got.contains(field[3]), qPrintable(got));
}

void DownloadEngineTest::series_data()
{
    // name|what numbers first, first + 1 … answer|first|last|parallel|abort after so many
    // files (0 never)|log
    rows({"short file|4000 4000 120 4000 4000 4000 4000|1|100|6|0|+1 +2 -3 !11 =missing",
          "3000 is a file, 2999 is not|3000 2999 4000 4000|1|9|6|0|+1 -2 !11 =missing",
          "403|4000 e403 4000 4000|1|9|6|0|+1 -2 !11 =missing",
          "410|e410 4000 4000|1|9|6|0|-1 !11 =missing",
          "500|4000 4000 e500 4000|1|9|3|0|+1 +2 -3 !11 =missing",
          "to the last|4000 4000 4000|0|1|6|0|+0 +1 =last", "first above last|4000|5|4|6|0|=last",
          "abort|4000 4000 4000 4000 4000 4000 4000 4000|1|9|6|2|+1 +2 =abort",
          "cut off before a file|R 4000|1|2|6|0|=failed",
          "cut off after a file|4000 R 4000|1|3|6|0|+1 !23 =failed",
          "32767|4000 4000|32766|32767|6|0|+32766 +32767 !23 =failed"});
}

// Files land whole in number order, none is left past the number that ends the run, at most
// parallel - 1 requests go past it, and each transfer's states come in order.
void DownloadEngineTest::series()
{
    const QStringList field = row();
    const int first = field[1].toInt(), last = field[2].toInt(), parallel = field[3].toInt();
    const QString path = QStringLiteral("/s%1/").arg(++m_row), pattern = "n?????.jpg";
    const RennbannField place = rennbannfield(pattern);
    int n = first;
    for (const QString &what : field[0].split(' '))
        serve(path + rennbannname(pattern, place, n++), what);
    // The first file comes last, so that the later ones wait for it.
    server.delay(std::chrono::milliseconds(60), path + rennbannname(pattern, place, first));
    const QSignalSpy states(&inet, &Inet::StateChanged);
    host->address = server.url(path);
    host->abortAfter = field[4].toInt();
    engine->setParallel(parallel);
    const auto end = engine->numberedRun(pattern, place, first, last);

    QCOMPARE((host->log << ended(int(end), RunEnds)).join(' '), field[5]);
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
    // name|address (%1: the server)|/x/p.html, in CP932|path=what …|the probe's start (0 none)|log
    const QString probed = "/x/p.html|<img src=/g/pic01.jpg><img src=logo.gif>|/x/logo.gif=9 "
                           "/g/pic01.jpg=4000 /g/pic02.jpg=";
    const QString start = "|1|?pic01.jpg go:pic??.jpg start,pic??.jpg,pic01.jpg,/g/ +1 ";
    const QString rest = "ok:pic01.jpg ipic01.jpg ok:logo.gif ilogo.gif end =done";
    rows({"images|/old/p.html|<img src=pic.gif><img src=\"../o/o.jpg\"><IMG SRC=/r.jpg><img "
          "src=//%1/q/q.gif><img src=画像/猫.gif><img src=no.gif><img src=pic.gif>|/x/pic.gif=3 "
          "/o/o.jpg=9 /r.jpg=9 /q/q.gif=9 /x/画像/猫.gif=9 /x/no.gif=e403 /old/p.html=>/x/p.html|0|"
          "ok:pic.gif ipic.gif ok:o.jpg io.jpg ok:r.jpg ir.jpg ok:q.gif iq.gif ok:猫.gif i猫.gif "
          "ok:pic.gif ipic.gif end =done",
          "probe|" + probed + "4000" + start + "+2 -3 !11 ?ok:pic??.jpg =missing " + rest,
          "probe fails, the page goes on|" + probed + "R" + start + "!23 =failed " + rest,
          "no images|/x/p.html|<script src=a.js><img src='b.gif'>||0|none =none",
          "page missing|/no.html|||0|!6 =failed",
          "not a web address|ftp://%1/x/p.html|||0|!6 =failed",
          "image cut off|/x/p.html|<img src=a.gif><img src=b.gif><img src=c.gif>|/x/a.gif=9 "
          "/x/b.gif=R|0|ok:a.gif ia.gif !6 =failed"});
}

// Each image is saved in page order after its series was asked about; an error status is
// skipped; a failure ends the page, a failure in the probe only the probe.
void DownloadEngineTest::extraction()
{
    const QStringList field = row();
    const QString at = server.url("").mid(7); // host and port
    server.file("/x/p.html", *encodeCp932(field[1].arg(at)), "text/html");
    for (const QString &route : field[2].split(' ', Qt::SkipEmptyParts))
        serve(route.section('=', 0, 0), route.section('=', 1));
    server.delay(std::chrono::milliseconds(60), "/x/pic.gif"); // the first image comes last
    host->start = field[3].toInt();
    const QString page = field[0].startsWith('/') ? server.url(field[0]) : field[0].arg(at);
    const auto end = engine->extract(page, true);

    QCOMPARE((host->log << ended(int(end), "done none failed ended")).join(' '), field[4]);
    host->saved.removeDuplicates();
    host->saved.sort();
    QCOMPARE(QDir(host->folder.path()).entryList(QDir::Files | QDir::Hidden), host->saved);
}

QTEST_GUILESS_MAIN(DownloadEngineTest)
#include "tst_downloadengine.moc"
