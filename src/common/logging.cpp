#include "common/logging.h"

#include <QElapsedTimer>

namespace kuokuo {

Q_LOGGING_CATEGORY(lcFiles, "kuokuo.files")
Q_LOGGING_CATEGORY(lcNet, "kuokuo.net")
Q_LOGGING_CATEGORY(lcUi, "kuokuo.ui")

void traceStartup(const char *step)
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    if (lcUi().isDebugEnabled())
        qCDebug(lcUi).nospace() << "start-up: " << step << " at " << clock.elapsed() << " ms";
}

} // namespace kuokuo
