#pragma once

#include <QtGlobal>

#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kuokuo::test {

// Runs `work` in a child process whose files cannot grow past `bytes`, as on a full disk: a write
// past the limit really fails (EFBIG, SIGXFSZ ignored), also for root. The child's answer, or
// nothing when it did not end normally.
inline std::optional<bool> onFullDisk(qint64 bytes, const std::function<bool()> &work)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {rlim_t(bytes), rlim_t(bytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

} // namespace kuokuo::test
