#include "support/ChildProcess.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h> // setrlimit
#include <sys/wait.h>
#include <unistd.h>

namespace velmora::test {

int inChild(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void limitFileSize(std::size_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace velmora::test
#endif
