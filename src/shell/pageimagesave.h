#pragma once

#include "download/downloadengine.h"

#include <QObject>
#include <QPointer>

namespace kuokuo {

class BrowserEngine;
struct ShownImages;

// Saves the JPEG and GIF images the browser's page shows now into the download folder, fetched
// as the browser fetches them: the page as Referer, the browser's cookies and User-Agent. One
// save at a time, behind the window's back: `start` returns at once and `finished` tells the
// end. The transfers wait in the engine's own loop, as the download window's do.
class PageImageSave : public QObject, private DownloadHost
{
    Q_OBJECT
public:
    explicit PageImageSave(BrowserEngine *browser);
    ~PageImageSave() override;

    // Its transfers, which fetch as the browser does.
    Inet &transfers() { return *m_inet; }

    // True from `start` until `finished`.
    bool running() const { return m_running; }
    // Reads the page's images and saves them into `folder`.
    void start(const QString &folder);
    // The window that started it goes: a save that runs ends quietly at its next step and the
    // object once it has unwound; otherwise the object goes at once.
    void release();

Q_SIGNALS:
    void finished(const kuokuo::PageImages &result);

private:
    void imagesRead(const ShownImages &images);
    void save(const QString &page, const QStringList &images);
    void finish(const PageImages &result);

    // DownloadHost: the images of a page alone, without a series or a window to show them.
    QString folderAddress() override { return QString(); }
    QString downloadFolder() override { return m_folder; }
    void numberedSaved(qint16, const QString &, qint64) override {}
    void numberedMissing(qint16, const Refusal &) override {}
    void imageSaved(int, const QString &, qint64) override {}
    void imageRefused(int place, const Refusal &why) override;
    bool aborted() override { return false; }
    bool ending() override;
    void speak(qint16) override {}
    void status(const QString &) override {}
    bool probeWanted(const QString &) override { return false; }
    std::optional<qint16> probeStart(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }

    QPointer<BrowserEngine> m_browser;
    Inet *m_inet;
    DownloadEngine m_engine;
    QString m_folder;
    bool m_running = false;
    bool m_saving = false; // inside the engine's wait
    bool m_released = false;
};

} // namespace kuokuo
