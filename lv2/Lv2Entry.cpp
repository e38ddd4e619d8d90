// The LV2 module's two exported entry points: the plug-in and its editor.
#include <lv2/core/lv2.h>

#include "lv2/Lv2Effect.h"
#include "lv2/Lv2Ui.h"

namespace {

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features)
{
    return Lv2Effect::create(sampleRate, features);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { static_cast<Lv2Effect*>(handle)->connect(port, data); }
void activate(LV2_Handle handle) { static_cast<Lv2Effect*>(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { static_cast<Lv2Effect*>(handle)->run(frames); }
void deactivate(LV2_Handle handle) { static_cast<Lv2Effect*>(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete static_cast<Lv2Effect*>(handle); }
const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor descriptor = {lv2port::kPluginUri, instantiate, connectPort, activate, run,
                                   deactivate,          cleanup,     extensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &descriptor : nullptr;
}

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? parfelleUiDescriptor() : nullptr;
}
