#include <windows.h>

#include "platform/ErrorBox.h"
#include "platform/SystemServices.h"

namespace platform {

void showErrorBox(const std::string& text, bool warningIcon)
{
    MessageBoxA(nullptr, text.c_str(), "Error", warningIcon ? MB_ICONWARNING : MB_OK);
}

std::string lastErrorText()
{
    const DWORD code = GetLastError();
    char text[300] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    if (length == 0) return "error " + std::to_string(code);
    std::string result(text, length);
    // The system's texts end with a line break; a message box needs none.
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

}  // namespace platform
