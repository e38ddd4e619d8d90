// The effect framework: parameters described by a table and stored in units
// in programs, per-channel kernels, and Audio-Unit-style properties, on top
// of the VST 2.4 classes.
//
// Threads: the dispatcher-facing operations run on the host's user-interface
// thread; setParameter/getParameter on any thread; processReplacing on the
// audio thread; the value texts also on the editor's render thread (status
// line, tooltip). Values cross threads as single 32-bit words; nothing on
// the audio thread locks.
#pragma once

#include <memory>
#include <vector>

#include "framework/AUKernelBase.h"
#include "framework/CFArray.h"
#include "framework/DisplayState.h"
#include "framework/HaldEditor.h"
#include "framework/HaldProgram.h"
#include "framework/ParameterInfo.h"
#include "plugin/AudioEffectX.h"

// Property 33: the effect's text for a parameter value.
constexpr int32_t kPropertyParameterStringFromValue = 33;

struct ParameterStringRequest
{
    int32_t parameter;
    const float* value;  // null: the parameter's current value
    CFString* string;    // out: one reference for the caller, or null
};

class HaldAuBase;
using PropertyListenerProc = void (*)(void* context, HaldAuBase* effect, int32_t property, uint32_t scope,
                                      uint32_t element);

class HaldAuBase : public AudioEffectX
{
public:
    static constexpr int kProgramCount = 8;

    HaldAuBase(audioMasterCallback audioMaster, const ParameterInfo* parameters, int parameterCount);
    ~HaldAuBase() override;

    // Parameters: host values are normalised, stored values in units.
    // Any thread (the host's user-interface, automation or audio thread).
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    // The host's user-interface thread (effGetParamName and its neighbours)
    // and, for the label and the value text, the editor's render thread, at
    // the same time. Never the audio thread: the value texts may take the
    // string cache's lock.
    void getParameterName(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* text) override;
    void getParameterDisplay(int32_t index, char* text) override;

    // Programs (user-interface thread).
    void setProgramName(char* name) override;
    void getProgramName(char* text) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

    // Audio thread: channel i of the block to kernel i.
    void processReplacing(float** inputs, float** outputs, int32_t frames) override;

    // Framework operations an effect overrides.
    // Called during construction; a new kernel owned by the caller.
    virtual AUKernelBase* newKernel() { return nullptr; }
    // A new array (one reference for the caller). The host's user-interface
    // thread and the editor's render thread (through getParameterDisplay).
    virtual int32_t getParameterValueStrings(uint32_t scope, int32_t parameter, CFArray** strings);
    // The host's user-interface thread, and the editor's render thread for
    // value texts (property 33, through getParameterDisplay) and the live
    // properties; a string handed out is the caller's own reference.
    virtual int32_t getProperty(int32_t property, uint32_t scope, uint32_t element, void* data);
    virtual int32_t getPropertyInfo(int32_t property, uint32_t scope, uint32_t element, uint32_t* size,
                                    bool* writable);
    virtual int32_t setProperty(int32_t property, uint32_t scope, uint32_t element, const void* data,
                                uint32_t size);
    // User-interface thread.
    virtual int32_t addPropertyListener(int32_t property, PropertyListenerProc procedure, void* context);
    virtual int32_t removePropertyListener(int32_t property, PropertyListenerProc procedure);
    // Render thread: a copy of the live display words.
    virtual void getDisplayState(DisplayState* state);

    // Shared by the host interface and the editor's controls.
    int parameterCount() const { return parameterCount_; }
    const ParameterInfo& parameterInfo(int index) const { return parameters_[index]; }
    float valueFromNormalised(int index, float normalised) const;
    float normalisedFromValue(int index, float value) const;

    // The current program's value of a parameter, in units (any thread).
    float getValue(int index) { return currentProgram()->getValue(index); }
    void setValue(int index, float value) { currentProgram()->setValue(index, value); }
    HaldProgram* currentProgram() { return programs_[static_cast<size_t>(getProgram())].get(); }
    HaldProgram* program(int index) { return programs_[static_cast<size_t>(index)].get(); }

    HaldEditor* haldEditor() { return haldEditor_; }
    size_t listenerCount() const { return listeners_.size(); }

protected:
    // Once, from the effect's constructor after the channel counts are set.
    void createKernels();
    // The editor, owned from then on.
    void setEditor(HaldEditor* editor);

    std::vector<std::unique_ptr<AUKernelBase>> kernels;

private:
    struct Listener
    {
        int32_t property;
        PropertyListenerProc procedure;
        void* context;
    };

    const ParameterInfo* parameters_;
    int parameterCount_;
    std::vector<std::unique_ptr<HaldProgram>> programs_;
    std::vector<Listener> listeners_;
    HaldEditor* haldEditor_ = nullptr;
};
