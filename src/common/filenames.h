#pragma once

#include <QString>

namespace kuokuo {

// Names of the program's files inside the program folder.
namespace FileNames {
inline const QString Settings = QStringLiteral("kuekuenavi.ini");
inline const QString SettingsBackup = QStringLiteral("kuekuenavi.bak");
inline const QString Lines = QStringLiteral("kuekuoserihu.rtp");
inline const QString Servers = QStringLiteral("rmssaaba.rtp");
inline const QString Rooms = QStringLiteral("rmsheya.rtp");
inline const QString Addresses = QStringLiteral("rad.rtp");
inline const QString StartPage = QStringLiteral("kuokuonavi.html");
inline const QString ChatPage = QStringLiteral("mschat.html");
inline const QString WorkingFileSuffix = QStringLiteral(".rtp");
} // namespace FileNames

} // namespace kuokuo
