// The about-and-preferences dialog as the system's own modal dialog, built
// from the dialog template in the library's resources. Only Windows has
// dialog templates; elsewhere the editor draws the same contents itself.
//
// Threads: the host's user-interface thread; the dialog runs its own modal
// message loop there and returns when it ends.
#pragma once

#include "resources/ResourceIds.h"

namespace platform {

// The template's id and its controls' ids.
constexpr int kAboutDialogTemplate = PARFELLE_ID_ABOUT_DIALOG;
constexpr int kAboutOk = 1;
constexpr int kAboutCancel = 2;  // also the close box and Escape
constexpr int kAboutMaker = PARFELLE_ABOUT_MAKER;
constexpr int kAboutWebButton = PARFELLE_ABOUT_WEB_BUTTON;
constexpr int kAboutProduct = PARFELLE_ABOUT_PRODUCT;
constexpr int kAboutVersion = PARFELLE_ABOUT_VERSION;
constexpr int kAboutPreferencesFrame = PARFELLE_ABOUT_PREFERENCES_FRAME;
constexpr int kAboutTooltipCheck = PARFELLE_ABOUT_TOOLTIP_CHECK;

// What the dialog shows and what its controls do; nothing is copied, so all
// of it must outlive the dialog.
struct AboutDialogContent
{
    const char* product = nullptr;
    const char* version = nullptr;
    const char* webAddress = nullptr;
    bool (*tooltipEnabled)() = nullptr;
    void (*toggleTooltip)() = nullptr;
    // Opens the web address; null: the shell's "open", as a user expects.
    void (*openWebPage)(const char* address) = nullptr;
};

#ifdef _WIN32
// Shows the template modally, owned by owner (a window handle, may be null);
// returns the id the dialog ended with (OK 1, cancel 2), or -1 when it could
// not be shown.
int showAboutDialogBox(void* owner, const AboutDialogContent& content);
#else
// No dialog templates here: the caller draws its own panel.
inline int showAboutDialogBox(void*, const AboutDialogContent&) { return -1; }
#endif

}  // namespace platform
