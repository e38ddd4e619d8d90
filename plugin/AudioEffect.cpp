#include "plugin/AudioEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin/AEffEditor.h"
#include "plugin/FloatingPointGuard.h"

namespace {

// The record's entries. No exception may reach the host: each entry catches
// everything and answers the neutral value.

intptr_t VST_CALLBACK dispatchEntry(AEffect* record, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt)
{
    AudioEffect* effect = AudioEffect::fromRecord(record);
    if (!effect) return 0;
    try {
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void VST_CALLBACK processEntry(AEffect* record, float** inputs, float** outputs, int32_t frames)
{
    AudioEffect* effect = AudioEffect::fromRecord(record);
    if (!effect || frames < 0) return;
    try {
        effect->process(inputs, outputs, frames);
    } catch (...) {
    }
}

void VST_CALLBACK processReplacingEntry(AEffect* record, float** inputs, float** outputs, int32_t frames)
{
    AudioEffect* effect = AudioEffect::fromRecord(record);
    if (!effect || frames < 0 || !inputs || !outputs) return;
    FloatingPointGuard denormalsOff;
    try {
        effect->processReplacing(inputs, outputs, frames);
    } catch (...) {
    }
}

void VST_CALLBACK processDoubleReplacingEntry(AEffect* record, double** inputs, double** outputs, int32_t frames)
{
    AudioEffect* effect = AudioEffect::fromRecord(record);
    if (!effect || frames < 0) return;
    try {
        effect->processDoubleReplacing(inputs, outputs, frames);
    } catch (...) {
    }
}

void VST_CALLBACK setParameterEntry(AEffect* record, int32_t index, float value)
{
    AudioEffect* effect = AudioEffect::fromRecord(record);
    if (!effect || index < 0 || index >= record->numParams || !std::isfinite(value)) return;
    try {
        effect->setParameter(index, value);
    } catch (...) {
    }
}

float VST_CALLBACK getParameterEntry(AEffect* record, int32_t index)
{
    AudioEffect* effect = AudioEffect::fromRecord(record);
    if (!effect || index < 0 || index >= record->numParams) return 0;
    try {
        return effect->getParameter(index);
    } catch (...) {
        return 0;
    }
}

void copyText(char* destination, const char* text, size_t size)
{
    std::strncpy(destination, text, size - 1);
    destination[size - 1] = 0;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int numPrograms, int numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams)
{
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleReplacingEntry;
    canProcessReplacing();
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

AudioEffect* AudioEffect::fromRecord(AEffect* record)
{
    if (!record || record->magic != kEffectMagic) return nullptr;
    return static_cast<AudioEffect*>(record->object);
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    if (newEditor == editor) return;
    delete editor;
    editor = newEditor;
}

void AudioEffect::setFlag(int32_t flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(int32_t index, float value)
{
    setParameter(index, value);
    automate(index, value);
}

void AudioEffect::automate(int32_t index, float value) { callHost(audioMasterAutomate, index, 0, nullptr, value); }

int32_t AudioEffect::getMasterVersion()
{
    const intptr_t version = callHost(audioMasterVersion);
    return version ? static_cast<int32_t>(version) : 1;
}

int32_t AudioEffect::getCurrentUniqueId() { return static_cast<int32_t>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

void AudioEffect::dB2string(float value, char* text, int32_t maxLength)
{
    if (!text || maxLength < 1) return;
    char buffer[32];
    if (value <= 0)
        std::snprintf(buffer, sizeof buffer, "-oo");
    else
        std::snprintf(buffer, sizeof buffer, "%.2f", 20.0 * std::log10(static_cast<double>(value)));
    copyText(text, buffer, static_cast<size_t>(maxLength) + 1);
}

void AudioEffect::Hz2string(float samples, char* text, int32_t maxLength)
{
    if (!text || maxLength < 1) return;
    char buffer[32];
    if (samples == 0)
        std::snprintf(buffer, sizeof buffer, "0");
    else
        std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(getSampleRate()) / samples);
    copyText(text, buffer, static_cast<size_t>(maxLength) + 1);
}

void AudioEffect::ms2string(float samples, char* text, int32_t maxLength)
{
    if (!text || maxLength < 1) return;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", samples * 1000.0 / static_cast<double>(getSampleRate()));
    copyText(text, buffer, static_cast<size_t>(maxLength) + 1);
}

void AudioEffect::float2string(float value, char* text, int32_t maxLength)
{
    if (!text || maxLength < 1) return;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(value));
    copyText(text, buffer, static_cast<size_t>(maxLength) + 1);
}

void AudioEffect::int2string(int32_t value, char* text, int32_t maxLength)
{
    if (!text || maxLength < 1) return;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    copyText(text, buffer, static_cast<size_t>(maxLength) + 1);
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) setProgram(static_cast<int32_t>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text) getProgramName(text);
        return 0;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
        if (!text) return 0;
        if (!isParameterIndex(index)) {
            text[0] = 0;
            return 0;
        }
        if (opcode == effGetParamLabel)
            getParameterLabel(index, text);
        else if (opcode == effGetParamDisplay)
            getParameterDisplay(index, text);
        else
            getParameterName(index, text);
        return 0;
    case effSetSampleRate:
        if (std::isfinite(opt) && opt > 0) setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        if (!editor || !ptr) return 0;
        return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        return editor && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify:
        return vstFourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
        return 0;
    }
}
