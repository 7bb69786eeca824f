#pragma once

#include "catlines.h"
#include "download/downloadengine.h"
#include "platform/inet.h"
#include "progressline.h"

#include <optional>

namespace kuokuo {

// How kuokuo-dl's options set up a run.
struct DownloadOptions
{
    int parallel = DownloadEngine::DefaultParallel;
    int retries = DownloadEngine::DefaultRetries;
    qint64 maxFileSize = Inet::DefaultMaxFileSize;
    std::optional<QByteArray> referer; // the browser's choice unless given
    QString cookies;                   // a Netscape cookies.txt file
    QString caCertificates;            // a PEM file
};

// Runs the download engine for kuokuo-dl: progress and the cat's words on stderr, Ctrl-C
// stops the transfer that runs.
class DownloadCommand : public QObject, private DownloadHost
{
    Q_OBJECT
public:
    enum Status { Success = 0, Failure = 1, BadArguments = 2 };

    DownloadCommand(const QString &folder, const CatLines &cat, ProgressLine &progress,
                    const DownloadOptions &options);
    // Whether the run is set up (its cookie file could be read).
    bool ready() const { return m_ready; }
    ~DownloadCommand() override;

    Status series(const QString &folderAddress, const QString &pattern, qint16 first, qint16 last);
    // `probeStart`: look for the hidden series of every numbered image, from this number.
    Status extract(const QString &pageAddress, std::optional<qint16> probeStart);
    // The cat's line `line`, as the runs say it.
    void say(qint16 line) { speak(line); }

private:
    QString folderAddress() override { return m_folderAddress; }
    QString downloadFolder() override { return m_folder; }
    void fetchingPage(const QString &address) override;
    void fetching(const QString &name, int number) override;
    void numberedSaved(qint16 number, const QString &name, qint64 size) override;
    void numberedMissing(qint16, const Refusal &) override {}
    void imageSaved(int place, const QString &name, qint64 size) override;
    void imageRefused(int place, const Refusal &why) override;
    void waiting(const Refusal &why, int seconds) override;
    bool aborted() override { return m_interrupted; }
    bool ending() override { return m_interrupted; }
    void speak(qint16 line) override;
    void status(const QString &text) override;
    // The probe of the command line asks nothing: the start number was given.
    bool probeWanted(const QString &) override { return true; }
    std::optional<qint16> probeStart(const QString &pattern, const QString &name,
                                     const QString &folder) override;
    void probeEnded(DownloadEngine::RunEnd end) override;

    Status finish(bool normal);
    void failure();

    QString m_folder;
    QString m_folderAddress;
    const CatLines &m_cat;
    ProgressLine &m_progress;
    Inet m_inet;
    DownloadEngine m_engine;
    std::optional<qint16> m_probeStart;
    int m_saved = 0;
    int m_imagesSaved = 0;
    int m_imagesRefused = 0;
    bool m_interrupted = false;
    bool m_ready = true;
};

} // namespace kuokuo
