#pragma once

#include "platform/browserengine.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace kuokuo {

// The files the browser saves for the user: where each one goes, how far the running ones have
// come, and what the cat says at their end. A file appears under its chosen name only whole: it
// arrives under a hidden name beside it (".name.part") and is renamed when it is complete.
class PageDownloads : public QObject
{
    Q_OBJECT
public:
    static const QString SaveTitle;

    // `window` owns the save dialog.
    explicit PageDownloads(QWidget *window);
    ~PageDownloads() override;

    // Asks where to save `download`, starting in `folder` with the file name `name`, and starts
    // it there; the user's cancel cancels it.
    void start(PageDownload *download, const QString &folder, const QString &name);

    bool running() const { return !m_running.isEmpty(); }
    // "ダウンロード中... 45%", or the size received so far when the size is not known.
    QString caption() const;

Q_SIGNALS:
    // A download started, moved on or ended.
    void changed();

private:
    struct Running
    {
        QPointer<PageDownload> download;
        QString path;
        QString partPath;
    };

    QString partPathFor(const QString &path) const;
    void ended(PageDownload *download, PageDownload::End end);

    QWidget *m_window;
    QList<Running> m_running;
};

} // namespace kuokuo
