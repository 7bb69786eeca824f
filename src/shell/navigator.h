#pragma once

namespace kuokuo {

class frmBrowser;

// Starts the navigator in the program folder: the content files that are missing there are
// written first (so a missing settings file is replaced by the one that comes with the program
// and the exit can save the run's changes), then the start-up window loads and shows.
frmBrowser *startNavigator();

} // namespace kuokuo
