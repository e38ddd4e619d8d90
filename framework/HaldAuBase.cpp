#include "framework/HaldAuBase.h"

#include <cmath>
#include <cstring>

namespace {

// At most size - 1 characters and the terminating zero.
void copyName(char* destination, const char* name, size_t size)
{
    size_t length = 0;
    while (length + 1 < size && name[length]) ++length;
    std::memcpy(destination, name, length);
    destination[length] = 0;
}

}  // namespace

HaldAuBase::HaldAuBase(audioMasterCallback audioMaster, const ParameterInfo* parameters, int parameterCount)
    : AudioEffectX(audioMaster, kProgramCount, parameterCount), parameters_(parameters),
      parameterCount_(parameterCount)
{
    programs_.reserve(kProgramCount);
    for (int p = 0; p < kProgramCount; ++p) {
        auto program = std::make_unique<HaldProgramBasic>(parameterCount);
        for (int i = 0; i < parameterCount; ++i) program->setValue(i, parameters[i].defaultValue);
        program->setName("Defaults");
        programs_.push_back(std::move(program));
    }
    setProgram(0);
}

HaldAuBase::~HaldAuBase()
{
    // The editor may still look at the effect while it goes, so it goes first.
    AudioEffect::setEditor(nullptr);
    haldEditor_ = nullptr;
}

void HaldAuBase::setEditor(HaldEditor* editor)
{
    // Nobody reaches the old editor through the notification path while it goes.
    haldEditor_ = editor;
    AudioEffect::setEditor(editor);
}

void HaldAuBase::createKernels()
{
    for (int i = 0; i < cEffect.numOutputs; ++i) kernels.emplace_back(newKernel());
}

float HaldAuBase::valueFromNormalised(int index, float normalised) const
{
    return ::valueFromNormalised(parameters_[index], normalised);
}

float HaldAuBase::normalisedFromValue(int index, float value) const
{
    return ::normalisedFromValue(parameters_[index], value);
}

void HaldAuBase::setParameter(int32_t index, float value)
{
    const float units = valueFromNormalised(index, value);
    setValue(index, units);
    if (haldEditor_) haldEditor_->parameterChanged(index, units);
}

float HaldAuBase::getParameter(int32_t index) { return normalisedFromValue(index, getValue(index)); }

void HaldAuBase::getParameterName(int32_t index, char* text)
{
    // Exactly 16 bytes: at most 15 characters, zero-filled.
    std::strncpy(text, parameters_[index].name, 15);
    text[15] = 0;
}

void HaldAuBase::getParameterLabel(int32_t index, char* text)
{
    const char* label = unitLabel(parameters_[index].unit);
    std::memcpy(text, label, std::strlen(label) + 1);
}

void HaldAuBase::getParameterDisplay(int32_t index, char* text)
{
    const float value = getValue(index);
    const int32_t unit = parameters_[index].unit;

    if (unit == kUnitIndexed) {
        CFArray* list = nullptr;
        if (getParameterValueStrings(0, index, &list) == kResultOk && list) {
            const bool inList = std::isfinite(value) && value > -1.0f && value < static_cast<float>(list->count());
            if (inList) {
                const auto* string = static_cast<const CFString*>(list->at(static_cast<int>(value)));
                copyToBuffer(string, text, kValueTextBytes);
            } else {
                formatFallbackValue(value, text);
            }
            CFRelease(list);
        } else {
            formatFallbackValue(value, text);
        }
        return;
    }
    if (unit == kUnitBoolean) {
        std::memcpy(text, value == 0.0f ? "Off" : "On", value == 0.0f ? 4 : 3);
        return;
    }

    ParameterStringRequest request{index, nullptr, nullptr};
    if (getProperty(kPropertyParameterStringFromValue, 0, 0, &request) == kResultOk && request.string) {
        copyToBuffer(request.string, text, kValueTextBytes);
        CFRelease(request.string);
        return;
    }
    formatNumericValue(value, text);
}

void HaldAuBase::setProgramName(char* name) { currentProgram()->setName(name); }

void HaldAuBase::getProgramName(char* text)
{
    // Hosts size this buffer by the interface's limit, shorter than a program
    // name may be: never write past it.
    copyName(text, currentProgram()->getName(), kVstMaxProgNameLen);
}

bool HaldAuBase::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
    if (index < 0 || index >= kProgramCount) return false;
    copyName(text, programs_[static_cast<size_t>(index)]->getName(), kVstMaxProgNameLen);
    return true;
}

void HaldAuBase::processReplacing(float** inputs, float** outputs, int32_t frames)
{
    bool silence = false;
    const unsigned count = frames > 0 ? static_cast<unsigned>(frames) : 0u;
    for (size_t i = 0; i < kernels.size(); ++i) {
        if (!kernels[i] || !inputs[i] || !outputs[i]) continue;
        kernels[i]->Process(inputs[i], outputs[i], count, 1, silence);
    }
}

int32_t HaldAuBase::getParameterValueStrings(uint32_t, int32_t, CFArray**) { return kResultInvalidParameter; }

int32_t HaldAuBase::getProperty(int32_t, uint32_t, uint32_t, void*) { return kResultInvalidProperty; }

int32_t HaldAuBase::getPropertyInfo(int32_t, uint32_t, uint32_t, uint32_t*, bool*) { return kResultInvalidProperty; }

int32_t HaldAuBase::setProperty(int32_t, uint32_t, uint32_t, const void*, uint32_t) { return kResultInvalidProperty; }

int32_t HaldAuBase::addPropertyListener(int32_t property, PropertyListenerProc procedure, void* context)
{
    if (listeners_.empty()) listeners_.reserve(32);
    listeners_.push_back({property, procedure, context});
    return kResultOk;
}

int32_t HaldAuBase::removePropertyListener(int32_t property, PropertyListenerProc procedure)
{
    for (auto it = listeners_.begin(); it != listeners_.end();) {
        if (it->property == property && it->procedure == procedure)
            it = listeners_.erase(it);
        else
            ++it;
    }
    return kResultOk;
}

void HaldAuBase::getDisplayState(DisplayState*) {}
