#include "editor/AboutDialog.h"

#include "editor/AboutPanel.h"
#include "editor/HaldParfelleView.h"
#include "editor/RenderTask.h"
#include "framework/CFString.h"
#include "framework/Preferences.h"
#include "gui/UIWindow.h"
#include "parfelle/Version.h"
#include "platform/AboutDialogBox.h"

namespace about {

const char* versionText() { return PARFELLE_VERSION_TEXT; }

void toggleFloatingTooltip()
{
    const bool on = !HD::floatingTooltipEnabled();
    HD::setFloatingTooltipEnabled(on);
    writePreference(constantString(kFloatingTooltipPreference), on ? 1 : 0);
}

int show(HD::UIWindow* window)
{
    if (!window) return -1;
    platform::AboutDialogContent content;
    content.product = kProduct;
    content.version = versionText();
    content.webAddress = kWebAddress;
    content.tooltipEnabled = HD::floatingTooltipEnabled;
    content.toggleTooltip = toggleFloatingTooltip;
    HD::WindowOwner* owner = window->owner();
    const int ended = platform::showAboutDialogBox(owner ? owner->parentWindow() : nullptr, content);
    if (ended >= 0) return ended;
    if (AboutPanel* panel = aboutPanelOf(window)) {
        panel->open();
        return 0;
    }
    return -1;
}

}  // namespace about

void showAboutDialog(HaldParfelleView* view)
{
    if (view) about::show(view->window());
}
