// The library's load entry: records the instance handle on every call.
#include "platform/ModuleHandle.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    platform::setModuleHandle(instance);
    return TRUE;
}
