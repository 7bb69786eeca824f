#pragma once

#include <QList>
#include <QObject>

namespace kuokuo {

class SignalWatcher;

// The navigator has no close command, so the end of the desktop session (the session manager's
// request, SIGTERM, SIGHUP, SIGINT) must still save: it runs the backup copy and the settings
// rebuild of the exit sequence, without the farewell window, and ends the program.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    // The signals that end a session: SIGTERM, SIGHUP and SIGINT.
    static const QList<int> &endingSignals();

    // Routes the three signals here; only one instance may watch them at a time.
    bool watchSignals();

    // Saves like the exit, unless the exit sequence already ran, then ends the program.
    void sessionEnding();

Q_SIGNALS:
    void ended(bool saved);

private:
    SignalWatcher *m_watcher = nullptr;
};

} // namespace kuokuo
