#pragma once

#include "download/rennbann.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace kuokuo {

class DownloadHost;
class Inet;

// The numbered download, the page extraction and the hidden-series probe, shared by the download
// window and kuokuo-dl. Requests go out through an ordered window: up to `parallel()` travel at
// once, while the files are handled strictly in order, each as if it had been fetched alone
// (its transfer states replayed when its turn comes, then saved or found missing).
class DownloadEngine
{
public:
    // A numbered file shorter than this does not exist: the server sent some other page.
    static constexpr qint64 MinimumSize = 3000;
    // The probe looks from its start number up to this one.
    static constexpr qint16 ProbeLast = 1000;
    // Requests in flight at once: what browsers allow per host.
    static constexpr int DefaultParallel = 6;

    enum class RunEnd { PassedLast, Aborted, Missing, Failed, Ended };
    enum class ExtractionEnd { Finished, NoImages, Failed, Ended };

    DownloadEngine(Inet &inet, DownloadHost &host);
    ~DownloadEngine();
    DownloadEngine(const DownloadEngine &) = delete;
    DownloadEngine &operator=(const DownloadEngine &) = delete;

    // 1 fetches strictly one file at a time.
    void setParallel(int requests);
    int parallel() const { return m_parallel; }

    // Steps from `first` to `last` until a file is missing, the abort flag is set or a step
    // fails; a failure after the first saved file is told with line 23.
    RunEnd numberedRun(const QString &pattern, RennbannField field, qint16 first, qint16 last);

    // Saves the JPEG and GIF images a page references, each after `probe` when `checkSeries`;
    // a failure is told with line 6.
    ExtractionEnd extract(const QString &pageAddress, bool checkSeries);

    // The check of one image name before it is saved: a name with digits may belong to a
    // numbered series, which the host may want probed in the image's folder from a start
    // number up to ProbeLast.
    void probe(const QString &name, const QUrl &imageAddress);

    // Whether `answer` is a start number the probe takes: a number of at most ProbeLast.
    static bool isProbeStart(const QString &answer);

    // Why the last run or extraction failed or stopped, in plain words.
    QString lastError() const { return m_error; }

private:
    struct Slot;
    class RequestWindow;

    // Starts the request of one file into a file of its own in the download folder.
    Slot request(const QString &address, const QString &name);
    // Makes `slot` the transfer whose states are shown and waits for it; false when the run
    // must unwind.
    bool awaitTurn(Slot &slot);
    ExtractionEnd failExtraction(const QString &error);

    Inet &m_inet;
    DownloadHost &m_host;
    int m_parallel = DefaultParallel;
    RequestWindow *m_window = nullptr; // the innermost one: a probe runs inside a page's
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
    // The numbered file `name` is not there (an error status or a short answer); nothing was
    // written.
    virtual void numberedMissing(qint16 number, const QString &name, qint64 size) = 0;
    // The image at `place` in the page's list was saved under `name`.
    virtual void imageSaved(int place, const QString &name, qint64 size) = 0;
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
