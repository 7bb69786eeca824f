#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

namespace kuokuo {

// Turns POSIX signals (SIGTERM, SIGINT …) into a Qt signal on the event loop. The handler only
// writes the signal's number into a socket pair, which is all a handler may safely do; the event
// loop reads it. One watcher at a time.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    // Once: the first signal of a number is caught, a second one takes its default action (a
    // second Ctrl-C ends the program at once).
    enum class Repeat { Always, Once };

    SignalWatcher(const QList<int> &numbers, Repeat repeat, QObject *parent = nullptr);
    // The signals take their default action again.
    ~SignalWatcher() override;

    // False when the signals could not be routed here (another watcher has them).
    bool isWatching() const { return m_notifier != nullptr; }

    // Catches `numbers` before any watcher exists, as early as the first line of main: a signal
    // that arrives meanwhile waits for the first watcher instead of ending the program.
    static bool catchEarly(const QList<int> &numbers);

Q_SIGNALS:
    void caught(int number);

private:
    void readSignal();

    QList<int> m_numbers;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace kuokuo
