#pragma once

namespace kuokuo {

// libcurl is opened at the first transfer rather than linked: linked, it and the twenty libraries
// it brings (TLS, LDAP, SSH ...) are loaded and initialised at every start of the navigator, which
// may never download anything; that cost about 12 ms before the first window. The curl_*
// functions the transfers call are defined in curllibrary.cpp and forward to the library.
//
// Whether libcurl could be opened (it is, on first call) with every function the transfers use.
bool curlLibraryLoaded();

} // namespace kuokuo
