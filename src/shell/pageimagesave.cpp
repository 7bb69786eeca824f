#include "shell/pageimagesave.h"

#include "common/logging.h"
#include "download/gazouchuushutsu.h"
#include "platform/browserengine.h"
#include "platform/forms.h"
#include "platform/inet.h"

#include <QUrl>

namespace kuokuo {

PageImageSave::PageImageSave(BrowserEngine *browser)
    : m_browser(browser)
    , m_inet(new Inet(this))
    , m_engine(*m_inet, *this)
{
    connect(browser, &BrowserEngine::ShownImagesRead, this, &PageImageSave::imagesRead);
}

PageImageSave::~PageImageSave() = default;

void PageImageSave::start(const QString &folder)
{
    if (m_running || !m_browser)
        return;
    m_running = true;
    m_folder = folder;
    m_browser->ReadShownImages();
}

void PageImageSave::release()
{
    m_released = true;
    if (!m_saving) {
        delete this;
        return;
    }
    // The engine's wait ends now; the run unwinds and takes the object with it.
    m_inet->abort();
    m_engine.endWait();
}

void PageImageSave::imagesRead(const ShownImages &images)
{
    if (!m_running)
        return;
    if (!images.ok) {
        PageImages failed;
        failed.error = images.error;
        finish(failed);
        return;
    }
    QStringList wanted;
    for (const QString &address : images.addresses)
        if (isShownImage(QUrl(address)))
            wanted << address;
    // The answer comes inside the engine's report: the transfers wait from a plain event.
    QMetaObject::invokeMethod(
        this, [this, page = images.page, wanted] { save(page, wanted); }, Qt::QueuedConnection);
}

void PageImageSave::save(const QString &page, const QStringList &images)
{
    m_saving = true;
    const PageImages result = m_engine.saveImages(images, page.toUtf8());
    m_saving = false;
    if (m_released) {
        deleteLater();
        return;
    }
    if (!ending())
        finish(result);
}

void PageImageSave::finish(const PageImages &result)
{
    m_running = false;
    if (!result.ok)
        qCWarning(lcFiles) << "the images of the page were not saved:" << result.error;
    Q_EMIT finished(result);
}

void PageImageSave::imageRefused(int, const Refusal &why)
{
    // The cat names the first one only.
    qCInfo(lcNet) << "an image of the page was not saved:" << why.text();
}

bool PageImageSave::ending()
{
    return m_released || Forms::ending();
}

} // namespace kuokuo
