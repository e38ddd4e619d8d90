#include "platform/ProcessInfo.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <vector>

namespace platform {

std::string executablePath()
{
    // A full buffer means the path may have been cut: grow and ask again.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool standardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

int terminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) return columns;
    }
    return 80;
}

}  // namespace platform
