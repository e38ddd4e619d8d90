// The handle of the module (the plug-in library) this code was linked into,
// recorded by the library's load entry. The editor finds its resources and
// registers its window class through it.
#pragma once

namespace platform {

// Null until the load entry has run (always set inside a loaded plug-in).
void* moduleHandle();
void setModuleHandle(void* handle);

}  // namespace platform
