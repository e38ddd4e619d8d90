#include "support/System.h"

#include <cstdint>
#include <cstdlib>

namespace support {

bool onWindows() { return false; }
bool underWine() { return false; }
std::string hostPath(const std::string& unixPath) { return unixPath; }

void setEnvironment(const std::string& name, const char* value)
{
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
}

std::string missingResourceText() { return ""; }

void* bogusWindowHandle() { return reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ffffff0)); }

}  // namespace support
