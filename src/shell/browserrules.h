#pragma once

#include <QString>

namespace kuokuo {

// True for a text typed in the address box that is words to search for rather than an
// address: no scheme, not a local path (starting with "/" or "~"), and a space in it or no dot
// at all; "localhost" and an IPv6 address stay addresses, with a port or a path or without.
bool isSearchWords(const QString &typed);

// The name "Save page" suggests: the page's title, else the file name of its address, with
// ".mhtml"; characters a file name cannot hold become "_".
QString savePageName(const QString &title, const QString &address);

// The zoom `steps` (positive: larger) from `factor` on the browsers' usual scale of 25 % to
// 500 %; 0 steps is 100 %.
double zoomStep(double factor, int steps);

} // namespace kuokuo
