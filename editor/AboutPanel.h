// The about-and-preferences dialog drawn by the editor itself, for systems
// without dialog templates: the same controls at the same places (dialog
// units scaled to pixels), over the editor, drawn by the render thread as the
// last effect of the window. While open it takes every pointer press of the
// window, so clicks outside it do nothing; OK closes it. It never blocks:
// opening returns at once and the host's loop keeps running.
//
// Threads: open, close and the pointer on the host's user-interface thread;
// draw on the render thread, which reads the open and pressed state whole.
#pragma once

#include <atomic>

#include "gui/BoundingBox.h"
#include "gui/Effect.h"

namespace HD {
class UIWindow;
class UIElement;
}  // namespace HD

namespace about {

class AboutPanel final : public HD::Effect
{
public:
    // Also makes the element that takes the pointer while the panel is open,
    // as a child of the window's root: it wins hit tests only if no earlier
    // child of the root claims the point, so attach before building the panel.
    explicit AboutPanel(HD::UIWindow* window);

    void open();
    void close();
    bool isOpen() const { return open_.load(std::memory_order_relaxed); }

    // Render thread: the panel over everything drawn before it.
    void draw() override;

    // Window units (y up): the whole panel with its title bar, and one
    // control's box (empty for an unknown id).
    static HD::BoundingBox panelBox();
    static HD::BoundingBox controlBox(int id);
    // The control under point: a dialog control id, 0 on the panel elsewhere,
    // -1 outside it.
    static int controlAt(HD::Point point);

    // The web button's action (tests replace it: a browser is no test's business).
    void (*openWebPage)(const char* address);

    // The element in the window's tree that stands for the panel.
    HD::UIElement* element() const { return element_; }

private:
    class Shield;
    friend class Shield;
    void release(int pressedId, HD::Point point);

    HD::UIElement* element_;
    std::atomic<bool> open_{false};
    std::atomic<int> pressed_{-1};  // the control under a press in progress
};

// Makes the panel and appends it to the window's effects, so it is drawn
// after everything else of the overlay; before the render thread starts.
AboutPanel* attachAboutPanel(HD::UIWindow* window);
// The window's panel, or null when none was attached.
AboutPanel* aboutPanelOf(const HD::UIWindow* window);

}  // namespace about
