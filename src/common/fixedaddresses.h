#pragma once

#include <QString>

namespace kuokuo {

// Every fixed address of the menu and of the greeting window, in one place. The author's web
// site and the chat client's installer are no longer on the web: local pages that come with the
// program stand in for them. A local page is a file name of the program folder, optionally with
// "#" and a section of the page.
namespace FixedAddresses {
// Menu "MS-CHATでもする"
inline const QString ChatRoomPage = QStringLiteral("mschat.html");                // kyoutoko1
inline const QString ChatClientDownload = QStringLiteral("kuokuohp.html#ms25dl"); // ms25dl
inline const QString ChatServerPage = QStringLiteral("kuokuohp.html#saaba");      // mschatsaba
inline const QString QuestionBoard = QStringLiteral("kuokuohp.html#bbs");         // bbs
inline const QString HowToChatPage = QStringLiteral("kuokuohp.html#asobikata");   // asobikata
inline const QString AuthorTopPage = QStringLiteral("kuokuohp.html");             // tmsh
inline const QString Mail = QStringLiteral("mailto:");                            // mail
// Buttons of the greeting window
inline const QString KuokuoHomePage = QStringLiteral("kuokuohp.html#kuokuo");  // Command1
inline const QString MasterChatPage = QStringLiteral("kuokuohp.html#shishou"); // Command2
} // namespace FixedAddresses

// The address the browser is given for a local page of `folder`: the plain path of the file, or
// a file URL when the address names a section of the page.
QString localPageAddress(const QString &folder, const QString &page);

} // namespace kuokuo
