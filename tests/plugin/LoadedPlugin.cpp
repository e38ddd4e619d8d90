#include "tests/plugin/LoadedPlugin.h"

#include <cstring>

namespace {
HostLog* currentLog = nullptr;
}

void setCurrentHostLog(HostLog* log) { currentLog = log; }

intptr_t VST_CALLBACK recordingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    if (!currentLog) return opcode == audioMasterVersion ? 2400 : 0;
    currentLog->requests.push_back(opcode);
    switch (opcode) {
    case audioMasterVersion:
        return currentLog->versionAnswer;
    case audioMasterGetTime:
        return currentLog->giveTime ? reinterpret_cast<intptr_t>(&currentLog->timeInfo) : 0;
    case audioMasterUpdateDisplay:
        return 1;
    default:
        return 0;
    }
}

LoadedPlugin::LoadedPlugin() { module_.load(PARFELLE_PLUGIN_FILE); }

LoadedPlugin::~LoadedPlugin()
{
    close();
    setCurrentHostLog(nullptr);
}

VstPluginMainProc LoadedPlugin::entry(const char* name) const
{
    return reinterpret_cast<VstPluginMainProc>(module_.symbol(name));
}

AEffect* LoadedPlugin::open(HostLog& log)
{
    setCurrentHostLog(&log);
    VstPluginMainProc main = entry("VSTPluginMain");
    effect = main ? main(recordingHost) : nullptr;
    return effect;
}

void LoadedPlugin::close()
{
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
    effect = nullptr;
}

intptr_t LoadedPlugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string LoadedPlugin::text(int32_t opcode, int32_t index, intptr_t value)
{
    char buffer[256];
    std::memset(buffer, 0x55, sizeof buffer);
    buffer[sizeof buffer - 1] = 0;
    dispatch(opcode, index, value, buffer);
    return buffer;
}
