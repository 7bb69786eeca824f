#pragma once

#include "download/rennbann.h"
#include "platform/inet.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QEventLoop;

namespace kuokuo {

class DownloadHost;

// Why a file was not saved, or why a run stopped.
struct Refusal
{
    enum class Kind {
        Status,     // the server answered with an error status
        WebPage,    // a web page came instead of the file
        TooShort,   // a numbered file shorter than the minimum
        Transfer,   // no body came (`failure` says why)
        Unwritable, // the download folder did not take the file
        BadName,    // the name is no plain file name: it would land outside the folder
    };
    Kind kind = Kind::Transfer;
    QString name; // the file's name, or the page's address
    int status = 0;
    QByteArray reason; // the status line's words
    qint64 size = 0;
    InetFailure failure = InetFailure::None;
    QString detail; // in plain words, where the kind alone does not say it

    // "name: why", in plain English words.
    QString text() const;
};

// What one save of a page's images did.
struct PageImages
{
    bool ok = false;             // it ran to the end of the list
    QString error;               // why it stopped, when it did not
    std::optional<Refusal> stop; // what stopped it, when something did
    int saved = 0;
    int skipped = 0; // addresses that are not the web's, and repeats
    QList<Refusal> refused;
};

// The numbered download, the page extraction and the hidden-series probe, shared by the download
// window and kuokuo-dl. Requests go out through an ordered window: up to `parallel()` travel at
// once, while the files are handled strictly in order, each as if it had been fetched alone
// (its transfer states replayed when its turn comes, then saved or found missing). A busy
// server is asked again when the file's turn comes, so no later file is handled before it.
class DownloadEngine
{
public:
    // A numbered file shorter than this does not exist: the server sent some other page.
    static constexpr qint64 MinimumSize = 3000;
    // The probe looks from its start number up to this one.
    static constexpr qint16 ProbeLast = 1000;
    // Requests in flight at once: what browsers allow per host.
    static constexpr int DefaultParallel = 6;
    // How often a busy server is asked again before the file counts as missing or failed.
    static constexpr int DefaultRetries = 2;

    enum class RunEnd { PassedLast, Aborted, Missing, Failed, Ended };
    enum class ExtractionEnd { Finished, NoImages, Failed, Ended };

    DownloadEngine(Inet &inet, DownloadHost &host);
    ~DownloadEngine();
    DownloadEngine(const DownloadEngine &) = delete;
    DownloadEngine &operator=(const DownloadEngine &) = delete;

    // 1 fetches strictly one file at a time.
    void setParallel(int requests);
    int parallel() const { return m_parallel; }
    void setRetries(int retries) { m_retries = std::max(0, retries); }
    // Every request sends this Referer (none when empty) instead of the browser's choice.
    void setReferer(const std::optional<QByteArray> &referer) { m_referer = referer; }

    // Steps from `first` to `last` until a file is missing, the abort flag is set or a step
    // fails; a failure after the first saved file is told with line 23.
    RunEnd numberedRun(const QString &pattern, RennbannField field, qint16 first, qint16 last);

    // Saves the JPEG and GIF images a page references, each after `probe` when `checkSeries`;
    // a failure is told with line 6.
    ExtractionEnd extract(const QString &pageAddress, bool checkSeries);

    // Saves the images at `addresses`, in order, into the download folder under the names the
    // extraction gives them, sending `referer`: the images a page shows. Addresses that are not
    // http or https, and repeats, are skipped.
    PageImages saveImages(const QStringList &addresses, const QByteArray &referer);

    // The check of one image name before it is saved: a name with digits may belong to a
    // numbered series, which the host may want probed in the image's folder from a start
    // number up to ProbeLast.
    void probe(const QString &name, const QUrl &imageAddress);

    // Ends a wait for a busy server at once: the abort buttons, a closing window, Ctrl-C.
    void endWait();

    // Whether `answer` is a start number the probe takes: a number of at most ProbeLast.
    static bool isProbeStart(const QString &answer);

    // Why the last run or extraction failed or stopped, in plain words.
    QString lastError() const { return m_error; }

private:
    struct Slot;
    class RequestWindow;
    struct Image;

    // Starts the request of one file into a file of its own in the download folder (into memory
    // for a page, `name` empty).
    Slot request(const QString &address, const QString &name, const QUrl &from);
    // Makes `slot` the transfer whose states are shown and waits for it, asking a busy server
    // again; false when the run must unwind.
    bool awaitTurn(Slot &slot);
    // Why `slot`'s answer is no file, if it is none: (`numbered`) a file that is not there.
    std::optional<Refusal> refusal(const Slot &slot, bool numbered) const;
    // Saves the images in order, each that is refused told and the list going on. What stops
    // it: a folder that takes no file, and (for the extraction, without `result`) an image that
    // cannot be had at all. Nothing when it ran to its end or the run must unwind.
    std::optional<Refusal> saveAll(const QList<Image> &images, const QUrl &page, bool checkSeries,
                                   PageImages *result);
    // Fails the extraction with line 6.
    ExtractionEnd failExtraction(const Refusal &why);

    Inet &m_inet;
    DownloadHost &m_host;
    int m_parallel = DefaultParallel;
    int m_retries = DefaultRetries;
    std::optional<QByteArray> m_referer;
    RequestWindow *m_window = nullptr; // the innermost one: a probe runs inside a page's
    QEventLoop *m_wait = nullptr;      // the wait for a busy server
    bool m_waitEnded = false;
    QString m_error;
};

// What a download run asks of the window that runs it (or of kuokuo-dl) and tells it.
class DownloadHost
{
public:
    virtual ~DownloadHost() = default;

    // The page of an extraction is fetched.
    virtual void fetchingPage(const QString &address) { Q_UNUSED(address); }
    // It is the turn of `name`: its number in the series, or its place in the page's list.
    virtual void fetching(const QString &name, int number)
    {
        Q_UNUSED(name);
        Q_UNUSED(number);
    }
    // The web folder of the numbered files, read for every number.
    virtual QString folderAddress() = 0;
    // The local folder files are saved into, read for every file.
    virtual QString downloadFolder() = 0;
    // A numbered file is on disk under `name`.
    virtual void numberedSaved(qint16 number, const QString &name, qint64 size) = 0;
    // The numbered file is not there (an error status, a web page, a short answer); nothing was
    // written.
    virtual void numberedMissing(qint16 number, const Refusal &why) = 0;
    // The image at `place` in the page's list was saved under `name`.
    virtual void imageSaved(int place, const QString &name, qint64 size) = 0;
    // The image at `place` was not saved; the page goes on.
    virtual void imageRefused(int place, const Refusal &why)
    {
        Q_UNUSED(place);
        Q_UNUSED(why);
    }
    // The run stops on `why`; the cat's line, if any, follows.
    virtual void failed(const Refusal &why) { Q_UNUSED(why); }
    // A busy server: the file is asked for again after `seconds`.
    virtual void waiting(const Refusal &why, int seconds)
    {
        Q_UNUSED(why);
        Q_UNUSED(seconds);
    }
    // `done` of `total` numbers or images have been handled.
    virtual void progress(int done, int total)
    {
        Q_UNUSED(done);
        Q_UNUSED(total);
    }
    // The abort flag, tested before every number.
    virtual bool aborted() = 0;
    // The run must unwind at once and quietly: its window closes or the program ends.
    virtual bool ending() = 0;
    // The cat says line `line`.
    virtual void speak(qint16 line) = 0;
    virtual void status(const QString &text) = 0;

    // The probe: whether the series of `name` is to be looked for at all.
    virtual bool probeWanted(const QString &name) = 0;
    // Its start number (nothing ends the probe quietly); `folder` is where it looks.
    virtual std::optional<qint16> probeStart(const QString &pattern, const QString &name,
                                             const QString &folder) = 0;
    // How the probe's run ended.
    virtual void probeEnded(DownloadEngine::RunEnd end) { Q_UNUSED(end); }
};

} // namespace kuokuo
