#include "effect/HaldParfelle.h"

#include <cmath>
#include <cstring>

#include "editor/HaldParfelleView.h"
#include "effect/CParfelleKernel.h"
#include "plugin/PluginEntry.h"

namespace {

constexpr const char* kProductName = "Parfelle";
constexpr const char* kVendorName = "Haldrane";

void copyIdentity(char* text, const char* value) { std::memcpy(text, value, std::strlen(value) + 1); }

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new HaldParfelle(audioMaster); }

HaldParfelle::HaldParfelle(audioMasterCallback audioMaster)
    : HaldAuBase(audioMaster, kParfelleParameters, kParfelleParameterCount),
      waveform_(new std::atomic<float>[kWaveformFloats])
{
    for (int column = 0; column < kWaveformColumns; ++column) {
        std::atomic<float>* vertex = &waveform_[column * 4];
        vertex[0].store(static_cast<float>(column), std::memory_order_relaxed);
        vertex[1].store(0.0f, std::memory_order_relaxed);
        vertex[2].store(static_cast<float>(column), std::memory_order_relaxed);
        vertex[3].store(0.0f, std::memory_order_relaxed);
    }

    canProcessReplacing();
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(vstFourCC('V', 'e', 'D', 'i'));

    createKernels();

    setEditor(new HaldParfelleView(this));
    cEffect.flags |= effFlagsHasEditor;
}

HaldParfelle::~HaldParfelle() = default;

bool HaldParfelle::getEffectName(char* name)
{
    copyIdentity(name, kProductName);
    return true;
}

bool HaldParfelle::getVendorString(char* text)
{
    copyIdentity(text, kVendorName);
    return true;
}

bool HaldParfelle::getProductString(char* text)
{
    copyIdentity(text, kProductName);
    return true;
}

AUKernelBase* HaldParfelle::newKernel() { return new CParfelleKernel(this); }

int32_t HaldParfelle::getParameterValueStrings(uint32_t scope, int32_t parameter, CFArray** strings)
{
    if (!strings) return kResultOk;
    if (scope != 0 || (parameter != kBeatDivisor && parameter != kLfoBeatDivisor)) return kResultInvalidParameter;
    CFString* names[kBeatDivisorCount];
    for (int i = 0; i < kBeatDivisorCount; ++i) names[i] = constantString(kBeatDivisorNames[i]);
    *strings = makeArray(names, kBeatDivisorCount);
    return kResultOk;
}

int32_t HaldParfelle::getProperty(int32_t property, uint32_t /*scope*/, uint32_t /*element*/, void* data)
{
    switch (property) {
    case kPropertyParameterStringFromValue: {
        auto* request = static_cast<ParameterStringRequest*>(data);
        if (!request || request->parameter != kFilterType) return kResultInvalidParameter;
        request->string = nullptr;
        const float value = request->value ? *request->value : getValue(kFilterType);
        // Only whole selections have names; a fraction between two shows its number.
        if (!(value > -0.5f && value < 4.5f)) return kResultOk;
        const int nearest = static_cast<int>(value + 0.5f);
        if (std::fabs(value - static_cast<float>(nearest)) <= 0.005f) {
            request->string = constantString(kFilterTypeNames[nearest]);
            CFRetain(request->string);
        }
        return kResultOk;
    }
    case kPropertyDisplayState:
        if (!data) return kResultInvalidParameter;
        getDisplayState(static_cast<DisplayState*>(data));
        return kResultOk;
    case kPropertyWaveformColumns:
        if (!data) return kResultInvalidParameter;
        *static_cast<WaveformColumnsAddress*>(data) = waveform_.get();
        return kResultOk;
    default:
        return kResultInvalidProperty;
    }
}

int32_t HaldParfelle::getPropertyInfo(int32_t property, uint32_t /*scope*/, uint32_t /*element*/, uint32_t* size,
                                      bool* writable)
{
    uint32_t bytes = 0;
    switch (property) {
    case kPropertyParameterStringFromValue: bytes = sizeof(ParameterStringRequest); break;
    case kPropertyDisplayState: bytes = sizeof(DisplayState); break;
    case kPropertyWaveformColumns: bytes = sizeof(WaveformColumnsAddress); break;
    default: return kResultInvalidProperty;
    }
    if (size) *size = bytes;
    if (writable) *writable = false;
    return kResultOk;
}

void HaldParfelle::getDisplayState(DisplayState* state)
{
    if (!state) return;
    state->reserved0 = displayReserved_[0].load(std::memory_order_relaxed);
    state->reserved1 = displayReserved_[1].load(std::memory_order_relaxed);
    state->sweepPosition = displaySweepPosition_.load(std::memory_order_relaxed);
    state->sweepDirection = displaySweepDirection_.load(std::memory_order_relaxed);
    state->delayPhase = displayDelayPhase_.load(std::memory_order_relaxed);
    state->lfoPhase = displayLfoPhase_.load(std::memory_order_relaxed);
}

void HaldParfelle::processReplacing(float** inputs, float** outputs, int32_t frames)
{
    HaldAuBase::processReplacing(inputs, outputs, frames);
}
