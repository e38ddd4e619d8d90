#include "platform/DynamicModule.h"

#include <windows.h>

namespace platform {

DynamicModule::~DynamicModule() { unload(); }

bool DynamicModule::load(const std::string& path)
{
    unload();
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
        return false;
    }
    handle_ = module;
    error_.clear();
    return true;
}

void DynamicModule::unload()
{
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

void* DynamicModule::symbol(const char* name) const
{
    if (!handle_) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace platform
