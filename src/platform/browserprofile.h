#pragma once

#include <QList>

class QNetworkCookie;
class QObject;
class QWebEngineProfile;

namespace kuokuo {

class BrowserEngine;
class Inet;

// The one browser profile of the program, shared by every web view and by whatever fetches on
// the browser's behalf (its user agent, its cookie store): logins, local storage, cache and
// visited links live under the per-user data folder and last from run to run. Made on first use,
// when the engine also learns to speak Japanese.
QWebEngineProfile *browserProfile();

// The cookies the browser holds: those an earlier run kept on disk, and every change its cookie
// store has reported since the profile was made.
QList<QNetworkCookie> browserCookies();

// Ends the profile, which writes what it keeps to disk; a later browserProfile() opens it again.
// Every view on it must be gone first.
void releaseBrowserProfile();

// What `inet` fetches from now on, it fetches as `browser` does: with the browser's User-Agent,
// and with its cookies, each one it holds now and then every change for as long as `receiver`
// (the owner of `inet`) lives.
void fetchAsBrowser(BrowserEngine &browser, Inet &inet, QObject *receiver);

} // namespace kuokuo
