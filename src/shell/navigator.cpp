#include "shell/navigator.h"

#include "chat/mschatform.h"
#include "common/logging.h"
#include "common/programfolder.h"
#include "platform/forms.h"
#include "platform/navigation.h"
#include "shell/content.h"
#include "shell/frmbrowser.h"

namespace kuokuo {

namespace {
class ShellNavigation final : public Navigation
{
public:
    void openAddress(const QString &address, bool show) override
    {
        // After the exit the navigator is gone: a new one loads as at start-up, so that its
        // address list is the saved one and the next exit saves it again.
        frmBrowser *browser = Forms::loaded<frmBrowser>();
        if (!browser)
            browser = startNavigator();
        browser->openAddress(address, show);
    }

    void showChatWindow() override { Forms::show<mschatform>(); }
};
} // namespace

template <>
Navigation &Adapter<Navigation>::real()
{
    static ShellNavigation navigation;
    return navigation;
}

frmBrowser *startNavigator()
{
    // Without its content the navigator still starts: no start page, and the cat without lines.
    if (!Content::installMissing(ProgramFolder::path()))
        qCWarning(lcFiles) << "content is missing in" << ProgramFolder::path();
    traceStartup("content");
    frmBrowser *window = Forms::instance<frmBrowser>();
    traceStartup("window built");
    window->Form_Load();
    // The start-up window shows even when its load stopped early.
    window->show();
    return window;
}

} // namespace kuokuo
