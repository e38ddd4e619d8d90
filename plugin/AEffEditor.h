// Editor interface of a VST 2.4 plug-in. The host drives it through the
// dispatcher's editor opcodes, always on its user-interface thread.
#pragma once

#include "plugin/VstInterface.h"

class AudioEffect;

class AEffEditor
{
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    // Hands out the editor's rectangle; the default has none.
    virtual bool getRect(ERect** rect)
    {
        if (rect) *rect = nullptr;
        return false;
    }
    // Records the host's parent window; true when a window was opened.
    virtual bool open(void* parentWindow)
    {
        systemWindow = parentWindow;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& /*key*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*key*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool setKnobMode(int /*mode*/) { return false; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;  // the host's parent window while open
};
