#include "platform/signalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kuokuo {

namespace {
int sockets[2] = {-1, -1};
bool watched = false;

void onSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(sockets[0], &byte, 1);
}

bool route(const QList<int> &numbers, SignalWatcher::Repeat repeat)
{
    if (sockets[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | (repeat == SignalWatcher::Repeat::Once ? SA_RESETHAND : 0);
    for (int number : numbers)
        ::sigaction(number, &action, nullptr);
    return true;
}
} // namespace

bool SignalWatcher::catchEarly(const QList<int> &numbers)
{
    return !watched && route(numbers, Repeat::Always);
}

SignalWatcher::SignalWatcher(const QList<int> &numbers, Repeat repeat, QObject *parent)
    : QObject(parent)
    , m_numbers(numbers)
{
    if (watched || !route(numbers, repeat))
        return;
    watched = true;
    m_notifier = new QSocketNotifier(sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier)
        return;
    for (int number : m_numbers)
        std::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(sockets[0]);
    ::close(sockets[1]);
    sockets[0] = sockets[1] = -1;
    watched = false;
}

void SignalWatcher::readSignal()
{
    char byte = 0;
    if (::read(sockets[1], &byte, 1) == 1)
        Q_EMIT caught(int(byte));
}

} // namespace kuokuo
