#include <windows.h>

#include "platform/SystemServices.h"
#include "platform/win32/ModuleInstance.h"

namespace platform {

bool findResource(int type, int id, const unsigned char*& bytes, size_t& size)
{
    HINSTANCE module = moduleInstance();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return false;
    size = SizeofResource(module, found);
    bytes = static_cast<const unsigned char*>(LockResource(loaded));
    return bytes != nullptr;
}

}  // namespace platform
