// The framework's editor: an AEffEditor that also hears of parameter changes.
#pragma once

#include "plugin/AEffEditor.h"

class HaldEditor : public AEffEditor
{
public:
    using AEffEditor::AEffEditor;

    // A parameter took a new value (in units). Called on the thread that made
    // the change (the host's, possibly the audio thread); ignored while closed.
    virtual void parameterChanged(int /*index*/, float /*value*/) {}
};
