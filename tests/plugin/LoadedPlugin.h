// The built plug-in, loaded through its exported entry point as a host
// loads it, with a host callback that records what the plug-in asks.
#pragma once

#include <string>
#include <vector>

#include "platform/DynamicModule.h"
#include "plugin/VstInterface.h"

struct HostLog
{
    int versionAnswer = 2400;
    std::vector<int32_t> requests;  // opcodes the plug-in sent, in order
    VstTimeInfo timeInfo{};
    bool giveTime = false;
};

class LoadedPlugin
{
public:
    LoadedPlugin();
    ~LoadedPlugin();

    bool loaded() const { return module_.isLoaded(); }
    const std::string& error() const { return module_.error(); }
    VstPluginMainProc entry(const char* name) const;

    // Calls VSTPluginMain with the recording host; null on failure.
    AEffect* open(HostLog& log);
    // effClose, once.
    void close();

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0);
    std::string text(int32_t opcode, int32_t index = 0, intptr_t value = 0);

    AEffect* effect = nullptr;

private:
    platform::DynamicModule module_;
};

// The host callback the tests hand to the plug-in; effect->user is not
// touched, so the log is found through a process-wide pointer.
intptr_t VST_CALLBACK recordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt);
void setCurrentHostLog(HostLog* log);
