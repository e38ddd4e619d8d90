#include "plugin/AudioEffectX.h"

#include <cstring>

#include "plugin/AEffEditor.h"

namespace {

bool copyName(bool (AudioEffectX::*query)(char*), AudioEffectX& effect, void* ptr)
{
    if (!ptr) return false;
    char text[kVstMaxVendorStrLen + 1] = {};
    if (!(effect.*query)(text)) return false;
    text[kVstMaxVendorStrLen - 1] = 0;  // the interface's limit, whatever the override wrote
    std::memcpy(ptr, text, std::strlen(text) + 1);
    return true;
}

}  // namespace

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int numPrograms, int numParams)
    : AudioEffect(audioMaster, numPrograms, numParams)
{
}

void AudioEffectX::resume()
{
    static char midiEvents[] = "receiveVstMidiEvent";
    if (canDo(midiEvents) == 1 || (cEffect.flags & effFlagsIsSynth)) callHost(audioMasterWantMidi, 0, 1);
}

bool AudioEffectX::beginEdit(int32_t index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }
bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }

double AudioEffectX::updateSampleRate()
{
    const intptr_t rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) setSampleRate(static_cast<float>(rate));
    return getSampleRate();
}

int32_t AudioEffectX::updateBlockSize()
{
    const intptr_t size = callHost(audioMasterGetBlockSize);
    if (size > 0) setBlockSize(static_cast<int32_t>(size));
    return getBlockSize();
}

int32_t AudioEffectX::getInputLatency() { return static_cast<int32_t>(callHost(audioMasterGetInputLatency)); }
int32_t AudioEffectX::getOutputLatency() { return static_cast<int32_t>(callHost(audioMasterGetOutputLatency)); }

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output)
{
    if (input) *input = nullptr;
    if (output) *output = nullptr;
    return false;
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

int32_t AudioEffectX::getCurrentProcessLevel()
{
    return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t AudioEffectX::getAutomationState() { return static_cast<int32_t>(callHost(audioMasterGetAutomationState)); }

bool AudioEffectX::getHostVendorString(char* text)
{
    if (text) text[0] = 0;
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text)
{
    if (text) text[0] = 0;
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() { return static_cast<int32_t>(callHost(audioMasterGetVendorVersion)); }

intptr_t AudioEffectX::hostVendorSpecific(int32_t lArg1, intptr_t lArg2, void* ptrArg, float floatArg)
{
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

int32_t AudioEffectX::canHostDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0; }
int32_t AudioEffectX::getHostLanguage() { return static_cast<int32_t>(callHost(audioMasterGetLanguage)); }

void AudioEffectX::noTail(bool state)
{
    setFlag(effFlagsNoSoundInStop, state);
}

void* AudioEffectX::getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* select)
{
    return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* select)
{
    return select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
        return ptr && string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
        return ptr && getProgramNameIndexed(static_cast<int32_t>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:
        return 0;
    case effProcessVarIo:
        return ptr && processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
        return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                     static_cast<VstSpeakerArrangement*>(ptr))
                   ? 1
                   : 0;
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return copyName(&AudioEffectX::getEffectName, *this, ptr) ? 1 : 0;
    case effGetVendorString:
        return copyName(&AudioEffectX::getVendorString, *this, ptr) ? 1 : 0;
    case effGetProductString:
        return copyName(&AudioEffectX::getProductString, *this, ptr) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effGetParameterProperties:
        return ptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key{index, static_cast<unsigned char>(value), static_cast<unsigned char>(opt)};
            const bool taken = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
            return taken ? 1 : 0;
        }
        return 0;
    case effSetEditKnobMode:
        return editor && editor->setKnobMode(static_cast<int>(value)) ? 1 : 0;
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
        return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
        getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                              static_cast<VstSpeakerArrangement**>(ptr));
        return 0;
    case effShellGetNextPlugin:
        return ptr ? getNextShellPlugin(static_cast<char*>(ptr)) : 0;
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(static_cast<int32_t>(value));
    case effSetPanLaw:
        return setPanLaw(static_cast<int32_t>(value), opt) ? 1 : 0;
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
        return setProcessPrecision(static_cast<int32_t>(value)) ? 1 : 0;
    case effGetNumMidiInputChannels:
        return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
        return getNumMidiOutputChannels();
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
