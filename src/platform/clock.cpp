#include "platform/clock.h"

namespace kuokuo {

namespace {
class SystemClock final : public Clock
{
public:
    QTime currentTime() override { return QTime::currentTime(); }
};
} // namespace

template <>
Clock &Adapter<Clock>::real()
{
    static SystemClock systemClock;
    return systemClock;
}

} // namespace kuokuo
