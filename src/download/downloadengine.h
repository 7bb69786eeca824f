#pragma once

#include "download/rennbann.h"

#include <QString>
#include <QUrl>

namespace kuokuo {

class Inet;

// What a download run asks of the window that runs it (or of kuokuo-dl) and tells it.
class DownloadHost
{
public:
    virtual ~DownloadHost() = default;

    // A fetch of `name` begins; `number` is its number in the series, its place in the page,
    // or 0 for the page itself.
    virtual void fetching(const QString &name, int number)
    {
        Q_UNUSED(name);
        Q_UNUSED(number);
    }
    // The web folder of the numbered files, read at every number.
    virtual QString folderAddress() = 0;
    // The local folder files are saved into, read at every save.
    virtual QString downloadFolder() = 0;
    // A numbered file arrived and is on disk under `name`, or was answered as missing (then
    // nothing was written).
    virtual void numberedFetched(qint16 number, const QString &name, qint64 size) = 0;
    // The image at `place` in the page's list was saved under `name`.
    virtual void imageSaved(int place, const QString &name, qint64 size) = 0;
    // The abort flag, tested before every number.
    virtual bool aborted() = 0;
    // The run must unwind at once and quietly: its window closes or the program ends.
    virtual bool ending() = 0;
    // The cat says line `line`.
    virtual void speak(qint16 line) = 0;
    virtual void status(const QString &text) = 0;
    // Runs before an image of a page is saved: may ask about a hidden series and probe it.
    virtual void checkSeries(const QString &fileName, const QUrl &imageAddress) = 0;
};

// The numbered download and the page extraction, shared by the download window and kuokuo-dl.
class DownloadEngine
{
public:
    // A numbered file shorter than this does not exist: the server sent some other page.
    static constexpr qint64 MinimumSize = 3000;

    enum class Step { Next, Missing, Failed, Ended };
    enum class RunEnd { PassedLast, Aborted, Missing, Failed, Ended };
    enum class ExtractionEnd { Finished, NoImages, Failed, Ended };

    DownloadEngine(Inet &inet, DownloadHost &host);

    // Steps from `first` to `last` until a file is missing, the abort flag is set or a step
    // fails; a failure after the first saved file is told with line 23.
    RunEnd numberedRun(const QString &pattern, RennbannField field, qint16 first, qint16 last);

    // Saves the JPEG and GIF images a page references; a failure is told with line 6.
    ExtractionEnd extract(const QString &pageAddress);

    // Why the last step or extraction failed or stopped, in plain words.
    QString lastError() const { return m_error; }

private:
    // The numbered download step for `number`: fetch the folder address followed by the name,
    // save it under the name, and take a short file or an error status for a missing file
    // (line 11). `saved` becomes true once a file is on disk and shown. When `number` is there
    // and `last` lies beyond it, the next number's fetch starts before this file is written.
    Step numberedStep(const QString &pattern, RennbannField field, qint16 number, qint16 last,
                      bool &saved);
    RunEnd stepThrough(const QString &pattern, RennbannField field, qint16 first, qint16 last);

    Inet &m_inet;
    DownloadHost &m_host;
    QString m_error;
};

} // namespace kuokuo
