#pragma once

#include "platform/adapter.h"

#include <QString>

namespace kuokuo {

// How the cat's windows reach the navigator and the chat window without knowing them (they sit
// below both): the shell provides the real one, tests install a fake.
class Navigation
{
public:
    virtual ~Navigation() = default;
    // Puts `address` into the navigator's address box, shows the navigator when `show` is set,
    // and browses to the text of the box.
    virtual void openAddress(const QString &address, bool show) = 0;
    // Shows the chat window, not modal.
    virtual void showChatWindow() = 0;
};

template <>
Navigation &Adapter<Navigation>::real();
inline void openAddress(const QString &address, bool show)
{
    Adapter<Navigation>::get().openAddress(address, show);
}
inline void showChatWindow()
{
    Adapter<Navigation>::get().showChatWindow();
}

} // namespace kuokuo
