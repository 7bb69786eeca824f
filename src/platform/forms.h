#pragma once

#include <QPointer>

#include <utility>

namespace kuokuo {

// Hands out the one live instance of each window. A window is created on first use and
// destroyed when it closes (WA_DeleteOnClose); windows never keep raw pointers to each other but
// ask here each time.
namespace Forms {

template <class Window>
QPointer<Window> &slot()
{
    static QPointer<Window> window;
    return window;
}

// The live window, created (not shown) if there is none, from `arguments`; a live window is
// handed out as it is.
template <class Window, class... Arguments>
Window *instance(Arguments &&...arguments)
{
    QPointer<Window> &window = slot<Window>();
    if (!window)
        window = new Window(std::forward<Arguments>(arguments)...);
    return window.data();
}

// Shows the window, not modal, creating it if needed; a window already open comes forward.
template <class Window>
Window *show()
{
    Window *window = instance<Window>();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

// The live window, or nullptr when it is not loaded.
template <class Window>
Window *loaded()
{
    return slot<Window>().data();
}

// Ends the program at once: every window goes away and no further event of a window runs.
// Code that waits in a nested event loop checks `ending()` after the wait and unwinds quietly.
void endProgram(int exitCode = 0);
bool ending();
// Lets a test that ended the program go on with a fresh state.
void resetEnding();

} // namespace Forms

} // namespace kuokuo
