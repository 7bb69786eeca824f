#pragma once

#include "platform/adapter.h"

#include <QTime>

namespace kuokuo {

// The local time of day; tests install a fixed clock.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QTime currentTime() = 0;
};

template <>
Clock &Adapter<Clock>::real();
inline Clock &localClock()
{
    return Adapter<Clock>::get();
}

} // namespace kuokuo
