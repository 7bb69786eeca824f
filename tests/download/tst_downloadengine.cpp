#include "common/textfile.h"
#include "download/downloadengine.h"
#include "platform/inet.h"
#include "support/httpserver.h"
#include "support/rows.h"

using namespace kuokuo;
using namespace kuokuo::test;

namespace {
const char *const RunEnds = "last abort missing failed ended";

QString ended(int end, const char *names)
{
    return "=" + QString(names).split(' ').at(end);
}

QString num(int n)
{
    return QString::number(n);
}

// Writes down what the engine tells its host, in order: "+n" saved and "-n" missing numbers,
// "i" saved images, "!n" the cat's lines, "?" the probe's question, the start it is asked for,
// and the status texts shortened to "go:", "?ok:", "ok:", "end" and "none". No file may be in
// the folder before it is reported saved.
class RecordingHost final : public DownloadHost
{
public:
    QTemporaryDir folder;
    QString address, base; // base is left out of the probe's folder in the log
    QStringList log, saved;
    bool early = false;
    int turn = 0, abortAfter = 0, start = 0; // start: the probe's; 0 none, -1 not wanted

    void check()
    {
        for (const QString &file : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
            early |= !saved.contains(file);
    }
    void save(const QString &name, const QString &entry)
    {
        saved << name;
        check();
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
        check();
        log << "?" + name;
        return start >= 0;
    }
    std::optional<qint16> probeStart(const QString &pattern, const QString &name,
                                     const QString &at) override
    {
        log << QStringList{"start", pattern, name, QString(at).remove(base)}.join(',');
        address = at;
        return start ? std::optional<qint16>(start) : std::nullopt;
    }
    void probeEnded(DownloadEngine::RunEnd end) override { log << ended(int(end), RunEnds); }
};
} // namespace

// The engine against the test server: numbered series, pages and the probe through the ordered
// window of requests.
class DownloadEngineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Inet::setTimeout(std::chrono::seconds(1)); }
    void init()
    {
        server.clearRequests();
        host = std::make_unique<RecordingHost>();
        engine = std::make_unique<DownloadEngine>(inet, *host);
    }
    void series_data();
    void series();
    void extraction_data();
    void extraction();

private:
    // What `path` answers: that many bytes; "eN" the status N with 4000 bytes; "R" 4000 bytes
    // cut off at 2000; ">path" a redirect; "D" 4000 bytes with a folder of that name in the way.
    void serve(const QString &path, const QString &what)
    {
        HttpServer::Reply reply(what.startsWith('e') ? what.mid(1).toInt() : 200, 4000);
        reply.cutAt = what == "R" ? 2000 : -1;
        reply.size = what.toInt() ? what.toInt() : 4000;
        reply.location = what.startsWith('>') ? what.mid(1) : QString();
        reply.status = reply.location.isEmpty() ? reply.status : 302;
        if (what == "D")
            QDir(host->folder.path()).mkdir(path.section('/', -1));
        server.reply(path, reply);
    }

    HttpServer server;
    Inet inet;
    std::unique_ptr<RecordingHost> host;
    std::unique_ptr<DownloadEngine> engine;
    int m_row = 0;
};

void DownloadEngineTest::series_data()
{
    // name|what numbers first, first + 1 … answer|first|last|parallel|abort after so many
    // files (0 never)|log
    rows({"short file|4000 4000 120 4000 4000 4000 4000|1|100|6|0|+1 +2 -3 !11 =missing",
          "one at a time|4000 4000 120 4000 4000|1|100|1|0|+1 +2 -3 !11 =missing",
          "3000 is a file, 2999 is not|3000 2999 4000 4000|1|9|6|0|+1 -2 !11 =missing",
          "403|4000 e403 4000 4000|1|9|6|0|+1 -2 !11 =missing",
          "410|e410 4000 4000|1|9|6|0|-1 !11 =missing",
          "500|4000 4000 e500 4000|1|9|3|0|+1 +2 -3 !11 =missing",
          "to the last|4000 4000 4000|0|1|6|0|+0 +1 =last", "first above last|4000|5|4|6|0|=last",
          "abort|4000 4000 4000 4000 4000 4000 4000 4000|1|9|6|2|+1 +2 =abort",
          "cut off before a file|R 4000|1|2|6|0|=failed",
          "cut off after a file|4000 R 4000|1|3|6|0|+1 !23 =failed",
          "folder in the way|4000 D 4000|1|3|6|0|+1 !23 =failed",
          "32767|4000 4000|32766|32767|6|0|+32766 +32767 !23 =failed"});
}

// Files land whole in number order, nothing is written past the number that ends the run, at
// most parallel - 1 requests go past it, and each transfer's states come in order.
void DownloadEngineTest::series()
{
    const QStringList field = row();
    const int first = field[1].toInt(), last = field[2].toInt(), parallel = field[3].toInt();
    const QString path = QStringLiteral("/s%1/").arg(++m_row), pattern = "n?????.jpg";
    const auto name = [&](int n) { return rennbannname(pattern, rennbannfield(pattern), n); };
    int n = first;
    for (const QString &what : field[0].split(' '))
        serve(path + name(n++), what);
    // The first file comes last, so that the later ones wait for it.
    server.delay(std::chrono::milliseconds(60), path + name(first));
    QList<int> states;
    const QObject watching;
    connect(&inet, &Inet::StateChanged, &watching, [&](qint16 state) { states << state; });
    host->address = server.url(path);
    host->abortAfter = field[4].toInt();
    engine->setParallel(parallel);
    const auto end = engine->numberedRun(pattern, rennbannfield(pattern), first, last);

    QCOMPARE((host->log << ended(int(end), RunEnds)).join(' '), field[5]);
    QVERIFY(!host->early);
    QCOMPARE(QDir(host->folder.path()).entryList(QDir::Files | QDir::Hidden), host->saved);
    for (const QString &saved : host->saved) {
        QFile file(host->folder.filePath(saved));
        QVERIFY(file.open(QIODevice::ReadOnly) &&
                file.readAll() == HttpServer::generatedContent(path + saved, file.size()));
    }
    for (const QString &request : server.requests())
        QVERIFY2(request.mid(path.size() + 1, 5).toInt() <
                     std::min(last + 1, host->turn + parallel),
                 qPrintable(request));
    for (qsizetype i = 1; i < states.size(); ++i)
        QVERIFY(states[i] > states[i - 1] || states[i] == Inet::icResolvingHost);
}

void DownloadEngineTest::extraction_data()
{
    // name|address (%1: the server)|/x/p.html, in CP932|path=what …|the probe's start (0 none,
    // -1 not wanted)|log
    const QString probed = "/x/p.html|<img src=/g/pic01.jpg><img src=logo.gif>|/x/logo.gif=9 "
                           "/g/pic01.jpg=4000 /g/pic02.jpg=";
    const QString start = "|1|?pic01.jpg go:pic??.jpg start,pic??.jpg,pic01.jpg,/g/ +1 ";
    const QString rest = "ok:pic01.jpg ipic01.jpg ok:logo.gif ilogo.gif end =done";
    const QString three =
        "/x/p.html|<img src=a.gif><img src=b.gif><img src=c.gif>|/x/a.gif=9 /x/b.gif=";
    rows({"images|/old/p.html|<img src=pic.gif><img src=\"../o/o.jpg\"><IMG SRC=/r.jpg><img "
          "src=//%1/q/q.gif><img src=画像/猫.gif><img src=no.gif><img src=pic.gif>|/x/pic.gif=3 "
          "/o/o.jpg=9 /r.jpg=9 /q/q.gif=9 /x/画像/猫.gif=9 /x/no.gif=e403 /old/p.html=>/x/p.html|0|"
          "ok:pic.gif ipic.gif ok:o.jpg io.jpg ok:r.jpg ir.jpg ok:q.gif iq.gif ok:猫.gif i猫.gif "
          "ok:pic.gif ipic.gif end =done",
          "probe|" + probed + "4000" + start + "+2 -3 !11 ?ok:pic??.jpg =missing " + rest,
          "probe fails, the page goes on|" + probed + "R" + start + "!23 =failed " + rest,
          "probe not wanted|" + probed + "4000|-1|?pic01.jpg " + rest,
          "no images|/x/p.html|<script src=a.js><img src='b.gif'>||0|none =none",
          "page missing|/no.html|||0|!6 =failed",
          "not a web address|ftp://%1/x/p.html|||0|!6 =failed",
          "image cut off|" + three + "R|0|ok:a.gif ia.gif !6 =failed",
          "folder in the way|" + three + "D|0|ok:a.gif ia.gif ok:b.gif !6 =failed"});
}

// Each image is saved in page order after its series was asked about; an error status is
// skipped; a failure ends the page, a failure in the probe only the probe.
void DownloadEngineTest::extraction()
{
    const QStringList field = row();
    const QString at = QStringLiteral("127.0.0.1:%1").arg(server.port());
    server.file("/x/p.html", *encodeCp932(field[1].arg(at)), "text/html");
    for (const QString &route : field[2].split(' ', Qt::SkipEmptyParts))
        serve(route.section('=', 0, 0), route.section('=', 1));
    server.delay(std::chrono::milliseconds(60), "/x/pic.gif"); // the first image comes last
    host->base = server.url("");
    host->start = field[3].toInt();
    const QString page = field[0].startsWith('/') ? server.url(field[0]) : field[0].arg(at);
    const auto end = engine->extract(page, true);

    QCOMPARE((host->log << ended(int(end), "done none failed ended")).join(' '), field[4]);
    QVERIFY(!host->early);
    host->saved.removeDuplicates();
    host->saved.sort();
    QCOMPARE(QDir(host->folder.path()).entryList(QDir::Files | QDir::Hidden), host->saved);
}

QTEST_GUILESS_MAIN(DownloadEngineTest)
#include "tst_downloadengine.moc"
