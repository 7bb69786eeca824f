#include "platform/processstarter.h"

#include <QProcess>

namespace kuokuo {

namespace {
class DetachedProcessStarter final : public ProcessStarter
{
public:
    bool start(const QString &program) override { return QProcess::startDetached(program, {}); }
};
} // namespace

template <>
ProcessStarter &Adapter<ProcessStarter>::real()
{
    static DetachedProcessStarter starter;
    return starter;
}

} // namespace kuokuo
