#include "shell/sessionend.h"

#include "common/programfolder.h"
#include "platform/forms.h"
#include "platform/signalwatcher.h"
#include "shell/frmbrowser.h"
#include "shell/settingsfile.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <csignal>

namespace kuokuo {

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(
            app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager &) { sessionEnding(); }, Qt::DirectConnection);
    }
}

SessionEnd::~SessionEnd() = default;

const QList<int> &SessionEnd::endingSignals()
{
    static const QList<int> numbers = {SIGTERM, SIGHUP, SIGINT};
    return numbers;
}

bool SessionEnd::watchSignals()
{
    if (m_watcher)
        return false;
    m_watcher = new SignalWatcher(endingSignals(), SignalWatcher::Repeat::Always, this);
    connect(m_watcher, &SignalWatcher::caught, this, &SessionEnd::sessionEnding);
    return m_watcher->isWatching();
}

void SessionEnd::sessionEnding()
{
    // Once the exit sequence has unloaded the navigator, it has saved (or failed) already.
    const bool saved = Forms::loaded<frmBrowser>() && saveSettings(ProgramFolder::path());
    Q_EMIT ended(saved);
    Forms::endProgram();
}

} // namespace kuokuo
