#include "platform/DynamicModule.h"

#include <dlfcn.h>

namespace platform {

DynamicModule::~DynamicModule() { unload(); }

bool DynamicModule::load(const std::string& path)
{
    unload();
    // A bare file name would make dlopen search the library path instead.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error_ = why ? why : "dlopen failed";
        return false;
    }
    error_.clear();
    return true;
}

void DynamicModule::unload()
{
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

void* DynamicModule::symbol(const char* name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
}

}  // namespace platform
