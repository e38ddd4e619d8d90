// The about-and-preferences dialog: maker, product, version, a button to the
// maker's web site, and the floating-tooltip preference. Windows shows the
// dialog template of the library's resources modally; elsewhere the editor
// draws the same contents itself (editor/AboutPanel.h), which returns at once
// and stays until OK. The render thread keeps drawing either way.
#pragma once

class HaldParfelleView;

namespace HD {
class UIWindow;
}

// User-interface thread. Windows: returns when the dialog ends.
void showAboutDialog(HaldParfelleView* view);

// What the dialog shows and does, the same on every system.
namespace about {
constexpr const char* kMaker = "Haldrane";
constexpr const char* kProduct = "Parfelle";
constexpr const char* kWebAddress = "https://www.haldrane.com/parfelle";
constexpr const char* kWebButton = "Visit www.haldrane.com";
// PARFELLE_VERSION_TEXT, e.g. "2.0.2"
const char* versionText();
// The check box was clicked: flips the floating tooltip and stores it.
void toggleFloatingTooltip();

// The dialog for an open editor window, owned by the host's window: the
// system's dialog where there is one (the id it ended with, 1 OK or 2
// cancel), else the window's drawn panel, opened (0); -1 when neither could
// be shown.
int show(HD::UIWindow* window);
}  // namespace about
