// The exported entry points. Both names lead to the same routine.
#include "plugin/PluginEntry.h"

#if defined(_WIN32)
// "main" is exported as an alias of VSTPluginMain by the module-definition file.
extern "C" AEffect* VST_CALLBACK VSTPluginMain(audioMasterCallback audioMaster)
{
    return pluginEntry(audioMaster);
}
#else
#define PARFELLE_EXPORT extern "C" __attribute__((visibility("default")))

PARFELLE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) { return pluginEntry(audioMaster); }

// A C++ function may not be called main; the symbol gets the name instead.
PARFELLE_EXPORT AEffect* legacyPluginMain(audioMasterCallback audioMaster) __asm__("main");
AEffect* legacyPluginMain(audioMasterCallback audioMaster) { return pluginEntry(audioMaster); }
#endif
