#pragma once

#include "platform/adapter.h"

#include <QString>

namespace kuokuo {

// This computer's host name and one IPv4 address; an empty text when the system cannot tell.
class HostInfo
{
public:
    virtual ~HostInfo() = default;
    virtual QString localHostName() = 0;
    virtual QString localIp() = 0;
};

template <>
HostInfo &Adapter<HostInfo>::real();
inline HostInfo &hostInfo()
{
    return Adapter<HostInfo>::get();
}

} // namespace kuokuo
