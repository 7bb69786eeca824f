#include "common/logging.h"

namespace kuokuo {

Q_LOGGING_CATEGORY(lcFiles, "kuokuo.files")
Q_LOGGING_CATEGORY(lcNet, "kuokuo.net")
Q_LOGGING_CATEGORY(lcUi, "kuokuo.ui")

} // namespace kuokuo
