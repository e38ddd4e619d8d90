// The load entry's counterpart on Linux: a constructor that runs when the
// shared object is loaded and records its base address as the handle.
#include "platform/ModuleHandle.h"

#include <dlfcn.h>

namespace {

__attribute__((constructor)) void recordModuleHandle()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&recordModuleHandle), &info) != 0)
        platform::setModuleHandle(info.dli_fbase);
}

}  // namespace
