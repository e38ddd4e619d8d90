// A small plug-in that the host's tests load in place of a real one, built
// in variants chosen by PROBE_VARIANT:
//   0  the probe: reports what the host tells it, through its outputs and an
//      exported log of the dispatcher calls it received;
//   1  exports no entry point;
//   2  an entry point that returns no record;
//   3  a record with the wrong magic number;
//   4  the probe again, exported only under the old name "main" (not on
//      Windows, where the tests have no need of it);
//   5  a record claiming a hundred thousand outputs.
//
// The probe: one input, three outputs, 100 frames of latency.
//   output 0  the input, delayed by the latency;
//   output 1  the tempo from audioMasterGetTime, or -1 when the host answers null;
//   output 2  samplePos from audioMasterGetTime at the block's start, or -1.
// Parameters: "Mode" (a list: Alpha, Beta, Gamma), "Gain" (10 dB down to -10 dB
// as the value rises), "Resonanc" (a name cut short, as plug-ins do), and two
// called "Twin". Three programs, named only through effGetProgramName.
// PROBE_EXPORT, the system's way of exporting a function, comes from CMake.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin/VstInterface.h"

#if PROBE_VARIANT == 1

PROBE_EXPORT int probeHasNoEntry() { return 1; }

#elif PROBE_VARIANT == 2

PROBE_EXPORT AEffect* VST_CALLBACK VSTPluginMain(audioMasterCallback) { return nullptr; }

#elif PROBE_VARIANT == 3 || PROBE_VARIANT == 5

namespace {
AEffect oddRecord{};
intptr_t VST_CALLBACK dispatchNothing(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }
}  // namespace

PROBE_EXPORT AEffect* VST_CALLBACK VSTPluginMain(audioMasterCallback)
{
    oddRecord.magic = PROBE_VARIANT == 3 ? vstFourCC('N', 'o', 'p', 'e') : kEffectMagic;
    oddRecord.dispatcher = dispatchNothing;
    oddRecord.numInputs = 2;
    oddRecord.numOutputs = 100000;
    return &oddRecord;
}

#else

namespace {

constexpr int kLatency = 100;
constexpr int kParameters = 5;
constexpr int kPrograms = 3;
constexpr const char* kProgramNames[kPrograms] = {"First", "Second", "Third"};

// The log the tests read back: dispatcher opcodes in order, with -1 for each
// run of processing calls.
constexpr int kLogCapacity = 4096;
int32_t callLog[kLogCapacity];
int32_t callCount = 0;
intptr_t lastProcessLevel = -1;

void logCall(int32_t opcode)
{
    if (opcode == -1 && callCount > 0 && callLog[callCount - 1] == -1) return;
    if (callCount < kLogCapacity) callLog[callCount++] = opcode;
}

struct Probe
{
    AEffect record{};
    audioMasterCallback host = nullptr;
    float parameters[kParameters] = {0.0f, 0.5f, 0.25f, 0.0f, 0.0f};
    int program = 0;
    float delay[kLatency] = {};
    int delayPosition = 0;
};

Probe* probeOf(AEffect* effect) { return static_cast<Probe*>(effect->object); }

void writeText(void* ptr, const char* text) { std::strcpy(static_cast<char*>(ptr), text); }

intptr_t VST_CALLBACK dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float)
{
    Probe* probe = probeOf(effect);
    logCall(opcode);
    char text[64];
    switch (opcode) {
    case effClose: delete probe; return 1;
    case effMainsChanged:
        if (value) {
            std::memset(probe->delay, 0, sizeof probe->delay);
            probe->delayPosition = 0;
        }
        return 0;
    case effSetProgram:
        if (value >= 0 && value < kPrograms) probe->program = static_cast<int>(value);
        return 0;
    case effGetProgram: return probe->program;
    case effGetProgramName: writeText(ptr, kProgramNames[probe->program]); return 0;
    case effGetParamName: {
        static const char* const names[kParameters] = {"Mode", "Gain", "Resonanc", "Twin", "Twin"};
        if (index >= 0 && index < kParameters) writeText(ptr, names[index]);
        return 0;
    }
    case effGetParamLabel:
        // Longer than the interface allows, as some plug-ins write.
        writeText(ptr, index == 1 ? "dB" : index == 3 ? "a label well past eight characters" : "");
        return 0;
    case effGetParamDisplay: {
        if (index < 0 || index >= kParameters) return 0;
        const float v = probe->parameters[index];
        if (index == 0) {
            static const char* const modes[] = {"Alpha", "Beta", "Gamma"};
            const int mode = v >= 1.0f ? 2 : static_cast<int>(v * 3.0f);
            writeText(ptr, modes[mode]);
        } else if (index == 1) {
            std::snprintf(text, sizeof text, "%.1f", 10.0 - 20.0 * v);
            writeText(ptr, text);
        } else {
            std::snprintf(text, sizeof text, "%.3f", static_cast<double>(v));
            writeText(ptr, text);
        }
        return 0;
    }
    case effGetEffectName: writeText(ptr, "Probe"); return 1;
    case effGetVendorString: writeText(ptr, "Test Bench"); return 1;
    case effGetPlugCategory: return kPlugCategEffect;
    case effGetVstVersion: return 2400;
    default: return 0;
    }
}

void VST_CALLBACK setParameter(AEffect* effect, int32_t index, float value)
{
    if (index >= 0 && index < kParameters) probeOf(effect)->parameters[index] = value;
}

float VST_CALLBACK getParameter(AEffect* effect, int32_t index)
{
    return index >= 0 && index < kParameters ? probeOf(effect)->parameters[index] : 0.0f;
}

void VST_CALLBACK processReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames)
{
    Probe* probe = probeOf(effect);
    logCall(-1);
    lastProcessLevel = probe->host(effect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f);
    const auto* time = reinterpret_cast<const VstTimeInfo*>(
        probe->host(effect, audioMasterGetTime, 0, kVstTempoValid | kVstPpqPosValid, nullptr, 0.0f));
    const bool tempoValid = time && (time->flags & kVstTempoValid);
    for (int32_t i = 0; i < frames; ++i) {
        outputs[0][i] = probe->delay[probe->delayPosition];
        probe->delay[probe->delayPosition] = inputs[0][i];
        probe->delayPosition = (probe->delayPosition + 1) % kLatency;
        outputs[1][i] = tempoValid ? static_cast<float>(time->tempo) : -1.0f;
        outputs[2][i] = time ? static_cast<float>(time->samplePos) : -1.0f;
    }
}

AEffect* createProbe(audioMasterCallback host)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    auto* probe = new Probe;
    probe->host = host;
    AEffect& record = probe->record;
    record.magic = kEffectMagic;
    record.dispatcher = dispatch;
    record.setParameter = setParameter;
    record.getParameter = getParameter;
    record.processReplacing = processReplacing;
    record.numPrograms = kPrograms;
    record.numParams = kParameters;
    record.numInputs = 1;
    record.numOutputs = 3;
    record.flags = effFlagsCanReplacing;
    record.initialDelay = kLatency;
    record.uniqueID = vstFourCC('P', 'r', 'b', 'e');
    record.version = 1;
    record.object = probe;
    return &record;
}

}  // namespace

// The log of dispatcher calls since the last reset; returns how many.
PROBE_EXPORT int32_t probeCallLog(int32_t* out, int32_t capacity)
{
    const int32_t count = callCount < capacity ? callCount : capacity;
    for (int32_t i = 0; i < count; ++i) out[i] = callLog[i];
    return callCount;
}

PROBE_EXPORT void probeResetLog() { callCount = 0; }

// What the host last answered to audioMasterGetCurrentProcessLevel while processing.
PROBE_EXPORT intptr_t probeLastProcessLevel() { return lastProcessLevel; }

#if PROBE_VARIANT == 4
PROBE_EXPORT AEffect* legacyEntry(audioMasterCallback host) __asm__("main");
AEffect* legacyEntry(audioMasterCallback host) { return createProbe(host); }
#else
PROBE_EXPORT AEffect* VST_CALLBACK VSTPluginMain(audioMasterCallback host) { return createProbe(host); }
#endif

#endif
