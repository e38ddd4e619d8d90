#include "support/System.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>

namespace support {

bool onWindows() { return true; }

bool underWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// Wine maps Z: to the root of the Linux file system.
std::string hostPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void setEnvironment(const std::string& name, const char* value)
{
    _putenv_s(name.c_str(), value ? value : "");  // empty removes it
}

std::string missingResourceText()
{
    char text[300] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_RESOURCE_NAME_NOT_FOUND,
                   0, text, sizeof text, nullptr);
    std::string trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r' || trimmed.back() == ' '))
        trimmed.pop_back();
    return trimmed;
}

void* bogusWindowHandle() { return reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ff0)); }

}  // namespace support
