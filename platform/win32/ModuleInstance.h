// The module whose resources and window class the editor uses: the one the
// load entry recorded, or the executable when nothing was recorded (tests
// link the toolkit straight into their program).
#pragma once

#include <windows.h>

#include "platform/ModuleHandle.h"

namespace platform {

inline HINSTANCE moduleInstance()
{
    if (void* handle = moduleHandle()) return static_cast<HINSTANCE>(handle);
    return GetModuleHandleA(nullptr);
}

}  // namespace platform
