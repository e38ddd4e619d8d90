#include "platform/ProcessInfo.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {

std::string executablePath()
{
    // readlink does not say how long the target is: grow until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        if (buffer.size() >= 65536) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

int terminalColumns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const int value = std::atoi(columns);
        if (value > 0) return value;
    }
    return 80;
}

}  // namespace platform
