#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SystemServices.h"

namespace platform {

void openWebPage(const char* address)
{
    // Two forks: the browser's launcher is orphaned to init, so it runs on
    // without us waiting for it and without leaving a zombie in the host.
    // Only async-signal-safe calls between fork and exec (the host has threads).
    const pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", address, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace platform
