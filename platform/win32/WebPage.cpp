#include <windows.h>

#include <shellapi.h>

#include "platform/SystemServices.h"

namespace platform {

void openWebPage(const char* address)
{
    ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform
