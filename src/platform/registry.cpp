#include "platform/registry.h"

namespace kuokuo {

const QString Registry::MsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString Registry::MsInfoValue = QStringLiteral("PATH");
const QString Registry::SharedToolsKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString Registry::SharedToolsValue = QStringLiteral("MSINFO");

} // namespace kuokuo
