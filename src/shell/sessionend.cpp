#include "shell/sessionend.h"

#include "common/programfolder.h"
#include "platform/forms.h"
#include "shell/frmbrowser.h"
#include "shell/settingsfile.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kuokuo {

namespace {
int signalSockets[2] = {-1, -1};
const int WatchedSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Only an async-signal-safe write: the event loop does the rest.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}
} // namespace

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(
            app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager &) { sessionEnding(); }, Qt::DirectConnection);
    }
}

SessionEnd::~SessionEnd()
{
    if (!m_notifier)
        return;
    for (int number : WatchedSignals)
        std::signal(number, SIG_DFL);
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

bool SessionEnd::watchSignals()
{
    if (m_notifier || signalSockets[0] != -1)
        return false;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return false;
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::signalArrived);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : WatchedSignals)
        sigaction(number, &action, nullptr);
    return true;
}

void SessionEnd::signalArrived()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &byte, 1);
    sessionEnding();
}

void SessionEnd::sessionEnding()
{
    // Once the exit sequence has unloaded the navigator, it has saved (or failed) already.
    const bool saved = Forms::loaded<frmBrowser>() && saveSettings(ProgramFolder::path());
    Q_EMIT ended(saved);
    Forms::endProgram();
}

} // namespace kuokuo
