// The plug-in's effect, with its editor: the one place that puts the two
// together, so the effect and its tests never link the editor.
#include "editor/HaldParfelleView.h"
#include "effect/HaldParfelle.h"
#include "plugin/PluginEntry.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    return new HaldParfelle(audioMaster, HaldParfelleView::create);
}
