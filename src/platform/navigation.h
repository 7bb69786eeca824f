#pragma once

#include "platform/adapter.h"

#include <QString>

namespace kuokuo {

// How a window shows an address in the navigator without knowing the navigator: the shell
// provides the real one, tests install a fake.
class Navigation
{
public:
    virtual ~Navigation() = default;
    // Puts `address` into the navigator's address box, shows the navigator when `show` is set,
    // and browses to the text of the box.
    virtual void openAddress(const QString &address, bool show) = 0;
};

template <>
Navigation &Adapter<Navigation>::real();
inline void openAddress(const QString &address, bool show)
{
    Adapter<Navigation>::get().openAddress(address, show);
}

} // namespace kuokuo
