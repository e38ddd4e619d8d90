// The VST 2 extensions on top of AudioEffect: the dispatcher's opcodes from
// effProcessEvents upwards, identity queries and the host requests of 2.x.
// Threads as in AudioEffect: the dispatcher runs on the host's user-interface
// thread; getTimeInfo is called from the audio thread.
#pragma once

#include "plugin/AudioEffect.h"

struct VstEvents;
struct VstPinProperties;
struct VstParameterProperties;
struct VstSpeakerArrangement;
struct VstVariableIo;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstFileSelect;
struct VstPatchChunkInfo;

class AudioEffectX : public AudioEffect
{
public:
    AudioEffectX(audioMasterCallback audioMaster, int numPrograms, int numParams);

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    virtual bool canParameterBeAutomated(int32_t /*index*/) { return true; }
    virtual bool string2parameter(int32_t /*index*/, char* /*text*/) { return false; }
    virtual bool getParameterProperties(int32_t /*index*/, VstParameterProperties* /*properties*/) { return false; }
    // User-interface thread: the user takes hold of a parameter and lets go
    // (a knob's gesture); the host records what automate() tells it between.
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual int32_t beginLoadBank(VstPatchChunkInfo* /*info*/) { return 0; }
    virtual int32_t beginLoadProgram(VstPatchChunkInfo* /*info*/) { return 0; }
    virtual bool ioChanged();
    virtual double updateSampleRate();
    virtual int32_t updateBlockSize();
    virtual int32_t getInputLatency();
    virtual int32_t getOutputLatency();
    virtual bool getInputProperties(int32_t /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool getOutputProperties(int32_t /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* /*input*/, VstSpeakerArrangement* /*output*/)
    {
        return false;
    }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool setPanLaw(int32_t /*type*/, float /*value*/) { return false; }
    virtual bool setProcessPrecision(int32_t /*precision*/) { return false; }
    virtual int32_t getNumMidiInputChannels() { return 0; }
    virtual int32_t getNumMidiOutputChannels() { return 0; }
    // Audio thread. Null when the host has no time information to give.
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    virtual int32_t getCurrentProcessLevel();
    virtual int32_t getAutomationState();
    virtual int32_t processEvents(VstEvents* /*events*/) { return 0; }
    virtual int32_t startProcess() { return 0; }
    virtual int32_t stopProcess() { return 0; }
    virtual bool processVariableIo(VstVariableIo* /*io*/) { return false; }
    virtual int32_t setTotalSampleToProcess(int32_t value) { return value; }
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32_t getHostVendorVersion();
    virtual intptr_t hostVendorSpecific(int32_t lArg1, intptr_t lArg2, void* ptrArg, float floatArg);
    virtual int32_t canHostDo(char* text);
    virtual int32_t getHostLanguage();
    virtual void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    virtual void noTail(bool state = true);
    virtual int32_t getGetTailSize() { return 0; }
    virtual void* getDirectory();
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual intptr_t vendorSpecific(int32_t /*lArg*/, intptr_t /*lArg2*/, void* /*ptrArg*/, float /*floatArg*/)
    {
        return 0;
    }
    virtual int32_t canDo(char* /*text*/) { return 0; }
    virtual int32_t getVstVersion() { return 2400; }
    virtual int32_t getPlugCategory() { return kPlugCategUnknown; }
    virtual int32_t getMidiProgramName(int32_t /*channel*/, MidiProgramName* /*name*/) { return 0; }
    virtual int32_t getCurrentMidiProgram(int32_t /*channel*/, MidiProgramName* /*current*/) { return -1; }
    virtual int32_t getMidiProgramCategory(int32_t /*channel*/, MidiProgramCategory* /*category*/) { return 0; }
    virtual bool hasMidiProgramsChanged(int32_t /*channel*/) { return false; }
    virtual bool getMidiKeyName(int32_t /*channel*/, MidiKeyName* /*keyName*/) { return false; }
    virtual bool updateDisplay();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual bool openFileSelector(VstFileSelect* select);
    virtual bool closeFileSelector(VstFileSelect* select);
    virtual int32_t getNextShellPlugin(char* /*name*/) { return 0; }
    virtual bool allocateArrangement(VstSpeakerArrangement** /*arrangement*/, int32_t /*channels*/) { return false; }
    virtual bool deallocateArrangement(VstSpeakerArrangement** /*arrangement*/) { return false; }
    virtual bool copySpeaker(void* /*to*/, void* /*from*/) { return false; }
    virtual bool matchArrangement(VstSpeakerArrangement** /*to*/, VstSpeakerArrangement* /*from*/) { return false; }

    // Asks whether the host wants MIDI; this product replaces it with nothing.
    void resume() override;
};
