#pragma once

#include "platform/adapter.h"

#include <QString>

namespace kuokuo {

// Starts a program by its path, detached, in a normal window.
class ProcessStarter
{
public:
    virtual ~ProcessStarter() = default;
    virtual bool start(const QString &program) = 0;
};

template <>
ProcessStarter &Adapter<ProcessStarter>::real();
inline ProcessStarter &processStarter()
{
    return Adapter<ProcessStarter>::get();
}

} // namespace kuokuo
