#include "platform/forms.h"

#include <QCoreApplication>

namespace kuokuo::Forms {

namespace {
bool &endingFlag()
{
    static bool flag = false;
    return flag;
}
} // namespace

void endProgram(int exitCode)
{
    endingFlag() = true;
    // Leaves every running event loop, nested waits included.
    QCoreApplication::exit(exitCode);
}

bool ending()
{
    return endingFlag();
}

void resetEnding()
{
    endingFlag() = false;
}

} // namespace kuokuo::Forms
