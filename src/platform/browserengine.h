#pragma once

#include "platform/adapter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QNetworkCookie;
class QWidget;

namespace kuokuo {

// The images a page shows, read from the live page.
struct ShownImages
{
    bool ok = false; // the page answered
    QString error;   // why it did not
    QString page;    // the address of the page they were read from
    // Each image's address as the page has it now, in document order: its current source, else
    // its lazy loader's (data-src, data-original), else the largest of its srcset.
    QStringList addresses;
};

// A file the engine does not show itself (an archive, a program, an image to save), handed to
// the owner of the engine while the request is reported: the owner accepts it into a path or
// cancels it there. An accepted download then reports its progress and, once, its end; the
// object goes away by itself after its end.
class PageDownload : public QObject
{
    Q_OBJECT
public:
    enum class End { Completed, Failed, Cancelled };
    Q_ENUM(End)

    using QObject::QObject;

    // The name the server or the address suggests.
    virtual QString suggestedFileName() const = 0;
    // True when the user asked to save the page itself (as one MHTML file).
    virtual bool savesPage() const = 0;
    // Writes the file at `path` exactly (no other name is made up).
    virtual void accept(const QString &path) = 0;
    virtual void cancel() = 0;

    virtual qint64 receivedBytes() const = 0;
    // The announced size; 0 or less when the server did not say.
    virtual qint64 totalBytes() const = 0;
    // Why a failed download failed, for the log.
    virtual QString errorString() const = 0;

Q_SIGNALS:
    void progress();
    void ended(kuokuo::PageDownload::End end);
};

// The web browser control as the windows drive it. The control's widget carries the object name
// "brwWebBrowser".
class BrowserEngine : public QObject
{
    Q_OBJECT
public:
    // The engine's own configured pages of the "Home" and "Search" buttons.
    static const QString HomePage;
    static const QString SearchPage;
    // The search page's engine asked for `words`.
    static QString searchAddress(const QString &words);

    explicit BrowserEngine(QObject *parent = nullptr)
        : QObject(parent)
    {}

    virtual QWidget *widget() const = 0;

    // Starts loading `address`, passed through unchanged: http(s), a local file path, a file URL.
    // mic: and mailto: addresses go to their scheme's handler exactly as given, because the engine
    // refuses such a request when it does not come from a click inside a page.
    void Navigate(const QString &address);

    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void GoHome() = 0;
    virtual void GoSearch() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    // The title and the address of the current page.
    virtual QString LocationName() const = 0;
    virtual QString LocationURL() const = 0;
    // True while a page loads.
    virtual bool Busy() const = 0;

    // The page's zoom, 1.0 for 100 %.
    virtual qreal zoomFactor() const = 0;
    virtual void setZoomFactor(qreal factor) = 0;
    // Marks `text` in the page and goes to its next (or previous) place; FindFinished tells
    // whether there is one. An empty text takes the marks away.
    virtual void Find(const QString &text, bool backward) = 0;
    // Leaves the full screen the page asked for.
    virtual void ExitFullScreen() = 0;
    // Shows `html` instead of the page, which stays the current address.
    virtual void ShowHtml(const QString &html) = 0;

    // Reads the images the page shows now; ShownImagesRead answers, once.
    virtual void ReadShownImages() = 0;
    // What a fetch on the browser's behalf sends to be the browser: its User-Agent, and its
    // cookies, each one it holds now and then every change, handed to `added` and `removed`
    // for as long as `receiver` lives.
    using CookieHandler = std::function<void(const QNetworkCookie &)>;
    virtual QByteArray UserAgent() const = 0;
    virtual void FollowCookies(QObject *receiver, CookieHandler added, CookieHandler removed) = 0;

Q_SIGNALS:
    void LoadStarted();
    // A download of the control ended (also several times for one page).
    void DownloadComplete();
    // The page asked for the full screen (granted) or to leave it.
    void FullScreenRequested(bool on);
    void FindFinished(bool found);
    // The process that shows the page ended abnormally (a crash, the memory killer): the view
    // stays empty until something loads.
    void RendererEnded();
    // Ctrl and the mouse wheel over the page: `steps` up (in) or down (out).
    void ZoomRequested(int steps);
    // A link led to a file the control does not show: accept or cancel it before returning.
    void PageDownloadRequested(kuokuo::PageDownload *download);
    void ShownImagesRead(const kuokuo::ShownImages &images);
    // The user asked the page's context menu to save the images the page shows.
    void SaveShownImagesRequested();

protected:
    // Loads an address the engine shows itself.
    virtual void load(const QString &address) = 0;
};

// Makes the browser control of a window; tests install one that makes fakes.
class BrowserEngineFactory
{
public:
    virtual ~BrowserEngineFactory() = default;
    virtual BrowserEngine *create(QWidget *parent) = 0;
};

template <>
BrowserEngineFactory &Adapter<BrowserEngineFactory>::real();
inline BrowserEngine *createBrowserEngine(QWidget *parent)
{
    return Adapter<BrowserEngineFactory>::get().create(parent);
}

} // namespace kuokuo
