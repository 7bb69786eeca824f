#pragma once

#include <QObject>

class QSocketNotifier;

namespace kuokuo {

// The navigator has no close command, so the end of the desktop session (the session manager's
// request, SIGTERM, SIGHUP, SIGINT) must still save: it runs the backup copy and the settings
// rebuild of the exit sequence, without the farewell window, and ends the program.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    // Routes the three signals here; only one instance may watch them at a time.
    bool watchSignals();

    // Saves like the exit, unless the exit sequence already ran, then ends the program.
    void sessionEnding();

Q_SIGNALS:
    void ended(bool saved);

private:
    void signalArrived();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace kuokuo
