// The LV2 UI's descriptor (the editor inside the host's X11 window).
#pragma once

#include <lv2/ui/ui.h>

const LV2UI_Descriptor* parfelleUiDescriptor();
