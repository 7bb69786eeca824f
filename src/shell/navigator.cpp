#include "shell/navigator.h"

#include "common/programfolder.h"
#include "platform/forms.h"
#include "shell/content.h"
#include "shell/frmbrowser.h"

namespace kuokuo {

frmBrowser *startNavigator()
{
    Content::installMissing(ProgramFolder::path());
    frmBrowser *window = Forms::instance<frmBrowser>();
    window->Form_Load();
    // The start-up window shows even when its load stopped early.
    window->show();
    return window;
}

} // namespace kuokuo
