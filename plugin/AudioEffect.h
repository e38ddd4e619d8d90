// The first layer between the host's AEffect record and the effect object:
// owns the record, turns its plain function calls into virtual operations and
// answers every opcode below effProcessEvents with a default.
//
// Threads: the host calls the dispatcher and the name/display operations on
// its user-interface thread, processReplacing on its audio thread, and
// setParameter/getParameter from either; the editor's render thread also
// asks for value texts and labels. Nothing here takes a lock.
#pragma once

#include <atomic>

#include "plugin/VstInterface.h"

class AEffEditor;

class AudioEffect
{
public:
    AudioEffect(audioMasterCallback audioMaster, int numPrograms, int numParams);
    virtual ~AudioEffect();

    // User-interface thread (some hosts send effMainsChanged from the audio thread).
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate.store(rate, std::memory_order_relaxed); }
    virtual void setBlockSize(int32_t size) { blockSize = size; }

    // Audio thread.
    virtual void processReplacing(float** inputs, float** outputs, int32_t frames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, int32_t /*frames*/) {}

    // Any thread.
    virtual void setParameter(int32_t /*index*/, float /*value*/) {}
    virtual float getParameter(int32_t /*index*/) { return 0; }
    virtual void setParameterAutomated(int32_t index, float value);
    // Tells the host of a value already stored (normalised), so it can record
    // it: the editor's knobs, between beginEdit and endEdit, on the host's
    // user-interface thread.
    void automate(int32_t index, float value);

    // User-interface thread.
    virtual int32_t getProgram() { return curProgram.load(std::memory_order_relaxed); }
    virtual void setProgram(int32_t program) { curProgram.store(program, std::memory_order_relaxed); }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { name[0] = 0; }
    // The user-interface thread, and the editor's render thread (the label
    // and value text of its status line and tooltip) at the same time.
    virtual void getParameterLabel(int32_t /*index*/, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(int32_t /*index*/, char* text) { text[0] = 0; }
    virtual void getParameterName(int32_t /*index*/, char* text) { text[0] = 0; }
    virtual int32_t getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
    virtual int32_t setChunk(void* /*data*/, int32_t /*size*/, bool /*isPreset*/ = false) { return 0; }

    // Set-up, during construction.
    virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    // Any thread: a single word written whole by the dispatcher.
    virtual float getSampleRate() { return sampleRate.load(std::memory_order_relaxed); }
    virtual int32_t getBlockSize() { return blockSize; }

    // Requests to the host; each returns the neutral value without a host.
    virtual int32_t getMasterVersion();
    virtual int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32_t /*input*/) { return true; }
    virtual bool isOutputConnected(int32_t /*output*/) { return true; }

    // Text helpers for effects that format their own values; each writes at
    // most kVstMaxParamStrLen characters plus the terminating zero.
    virtual void dB2string(float value, char* text, int32_t maxLength);
    virtual void Hz2string(float samples, char* text, int32_t maxLength);
    virtual void ms2string(float samples, char* text, int32_t maxLength);
    virtual void float2string(float value, char* text, int32_t maxLength);
    virtual void int2string(int32_t value, char* text, int32_t maxLength);

    // Deprecated group, kept with their plain defaults.
    virtual void process(float** /*inputs*/, float** /*outputs*/, int32_t /*frames*/) {}
    virtual float getVu() { return 0; }
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }

    // Registers the editor; the effect owns it from then on.
    void setEditor(AEffEditor* newEditor);

    // The effect behind a record, or null for a record that is not ours.
    static AudioEffect* fromRecord(AEffect* record);

protected:
    void setFlag(int32_t flag, bool state);
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0);
    bool isParameterIndex(int32_t index) const { return index >= 0 && index < numParams; }

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    std::atomic<float> sampleRate{44100.0f};
    int32_t blockSize = 1024;
    int32_t numPrograms;
    int32_t numParams;
    std::atomic<int32_t> curProgram{0};  // read by the audio thread
    AEffect cEffect;
};
