#pragma once

#include <QLoggingCategory>

namespace kuokuo {

// One logging category per area, so that a failure leaves a trace that can be switched on by
// area (QT_LOGGING_RULES="kuokuo.files.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcFiles) // kuokuo.files: the program's own files and downloads
Q_DECLARE_LOGGING_CATEGORY(lcNet)   // kuokuo.net: transfers
Q_DECLARE_LOGGING_CATEGORY(lcUi)    // kuokuo.ui: windows

// Notes how long after the program's start it reached `step` (kuokuo.ui, debug): where the time
// of the start-up goes.
void traceStartup(const char *step);

} // namespace kuokuo
