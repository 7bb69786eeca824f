#pragma once

class QWebEngineProfile;

namespace kuokuo {

// The one browser profile of the program, shared by every web view and by whatever fetches on
// the browser's behalf (its user agent, its cookie store): logins, local storage, cache and
// visited links live under the per-user data folder and last from run to run. Made on first use,
// when the engine also learns to speak Japanese.
QWebEngineProfile *browserProfile();

// Ends the profile, which writes what it keeps to disk; a later browserProfile() opens it again.
// Every view on it must be gone first.
void releaseBrowserProfile();

} // namespace kuokuo
