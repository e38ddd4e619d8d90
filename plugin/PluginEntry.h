// The effect the library's entry point makes: defined by the product.
#pragma once

#include "plugin/VstInterface.h"

class AudioEffect;

// Makes the effect for a host; may throw (std::bad_alloc), never returns null.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

// The entry point's work, callable without going through the export:
// null when the host answers 0 to the version request or anything fails.
AEffect* pluginEntry(audioMasterCallback audioMaster);
