// Binary interface between a VST 2.4 host and a plug-in, written from the
// published record layouts and numbers. Nothing here depends on the rest of
// the product, so the command-line host and the tests include it too.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VST_CALLBACK __cdecl
#else
#define VST_CALLBACK
#endif

// The four-character codes of the interface: first character in the most
// significant byte.
constexpr int32_t vstFourCC(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32_t kEffectMagic = vstFourCC('V', 's', 't', 'P');

struct AEffect;

using audioMasterCallback = intptr_t(VST_CALLBACK*)(AEffect* effect, int32_t opcode, int32_t index,
                                                    intptr_t value, void* ptr, float opt);
using AEffectDispatcherProc = intptr_t(VST_CALLBACK*)(AEffect* effect, int32_t opcode, int32_t index,
                                                      intptr_t value, void* ptr, float opt);
using AEffectProcessProc = void(VST_CALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                               int32_t sampleFrames);
using AEffectProcessDoubleProc = void(VST_CALLBACK*)(AEffect* effect, double** inputs, double** outputs,
                                                     int32_t sampleFrames);
using AEffectSetParameterProc = void(VST_CALLBACK*)(AEffect* effect, int32_t index, float parameter);
using AEffectGetParameterProc = float(VST_CALLBACK*)(AEffect* effect, int32_t index);

// The plug-in's record. Natural alignment reproduces the published layout on
// both word sizes (checked below).
struct AEffect
{
    int32_t magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;  // accumulating; deprecated
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(AEffect) == 144, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, flags) == 36, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, resvd1) == 40, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, ioRatio) == 60, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, object) == 64, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, uniqueID) == 72, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, processReplacing) == 80, "AEffect layout (32-bit)");
static_assert(offsetof(AEffect, future) == 88, "AEffect layout (32-bit)");
#else
static_assert(sizeof(AEffect) == 192, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, flags) == 56, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, object) == 96, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect layout (64-bit)");
static_assert(offsetof(AEffect, future) == 136, "AEffect layout (64-bit)");
#endif

// Editor rectangle, in pixels.
struct ERect
{
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};
static_assert(sizeof(ERect) == 8, "ERect layout");

struct VstKeyCode
{
    int32_t character;
    unsigned char virt;
    unsigned char modifier;
};
static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode layout");

struct VstTimeInfo
{
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;
};
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo layout");
static_assert(offsetof(VstTimeInfo, tempo) == 32, "VstTimeInfo layout");
static_assert(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo layout");

enum VstTimeInfoFlags : int32_t
{
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

enum VstAEffectFlags : int32_t
{
    effFlagsHasEditor = 1,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

enum VstPlugCategory : int32_t
{
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Requests from the plug-in to the host.
enum AudioMasterOpcodes : int32_t
{
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
};

// Requests from the host to the plug-in's dispatcher.
enum AEffectOpcodes : int32_t
{
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,
    effEditMouse = 17,
    effEditKey = 18,
    effEditIdle = 19,
    effEditTop = 20,
    effEditSleep = 21,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28,
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,
    effConnectInput = 31,
    effConnectOutput = 32,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,
    effGetDestinationBuffer = 37,
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetIcon = 54,
    effSetViewPosition = 55,
    effGetParameterProperties = 56,
    effKeysRequired = 57,
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79,
};

// Text buffer sizes the interface documents.
constexpr int kVstMaxProgNameLen = 24;
constexpr int kVstMaxParamStrLen = 8;
constexpr int kVstMaxVendorStrLen = 64;
constexpr int kVstMaxProductStrLen = 64;
constexpr int kVstMaxEffectNameLen = 32;

// Signature of the exported entry points.
using VstPluginMainProc = AEffect*(VST_CALLBACK*)(audioMasterCallback host);
