#pragma once

#include <QString>

namespace kuokuo {

// What the program says about itself.
namespace AppInfo {
// The application title: the short name of the program.
inline const QString Title = QStringLiteral("KUOKUOナビ");
constexpr int VersionMajor = KUOKUO_VERSION_MAJOR;
constexpr int VersionMinor = KUOKUO_VERSION_MINOR;
constexpr int VersionRevision = KUOKUO_VERSION_REVISION;
} // namespace AppInfo

} // namespace kuokuo
