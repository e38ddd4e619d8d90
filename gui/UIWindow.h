// One open editor: its child window inside the host's window, every element,
// effect, texture and font, the parameter binding, hover tracking and the
// press-and-drag gesture. Draws nothing itself (the render thread does).
//
// Threads: creation, destruction, pointer handling and the binding's flushes
// run on the host's user-interface thread. The render thread reads the tree
// (complete before it starts, unchanged until it stops) and the shared
// indices and pointers below, which are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/DisplayState.h"
#include "gui/BoundingBox.h"
#include "gui/DragGesture.h"
#include "gui/ParameterBinding.h"
#include "gui/ParameterDescriptor.h"

class HaldAuBase;

namespace platform {
class ChildWindow;
}

namespace HD {

class UIElement;
class Group;
class Effect;
class StaticText;
class UIFont;
class UITexture;

// The render thread and its graphics (editor/RenderTask.h). The window only
// owns it: destroying it stops the thread, which is the first thing the
// window does when it goes.
class RenderState
{
public:
    virtual ~RenderState() = default;
};

// What the window needs of the editor that made it.
class WindowOwner
{
public:
    virtual ~WindowOwner() = default;
    virtual void* parentWindow() = 0;       // the host's window handle
    virtual HaldAuBase* effectObject() = 0;
};

// The window's place in its parent, in pixels (as a host's editor rectangle).
struct WindowRect
{
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;
};

class UIWindow
{
public:
    // Takes ownership of both fonts (either may be null or not loaded). A null
    // parent window makes a window with no system window (tests). The
    // version caption goes into the static text when there is a font.
    UIWindow(WindowOwner* owner, const WindowRect& rectangle, UIFont* font, UIFont* smallFont);
    ~UIWindow();
    UIWindow(const UIWindow&) = delete;
    UIWindow& operator=(const UIWindow&) = delete;

    // Pointer input, window thread. Points are window units (origin
    // bottom-left, y up).
    void updateHover(Point point);
    // Starts a press-and-drag; the platform feeds the rest to gesture().
    bool beginDrag(Point point, int modifiers);
    DragGesture& gesture() { return gesture_; }
    // Linux: drains the window's events (the host's idle call).
    void processEvents();

    // The audio effect whose parameters the window shows (not a render hook
    // of the effects list).
    HaldAuBase* audioEffect() const { return effect_; }
    WindowOwner* owner() const { return owner_; }
    platform::ChildWindow* childWindow() const { return child_.get(); }
    const WindowRect& rectangle() const { return rectangle_; }

    // Owned lists, in creation order.
    std::vector<UIElement*> elements;
    std::vector<UITexture*> textures;
    std::vector<Effect*> effects;

    Group* root = nullptr;
    StaticText* text = nullptr;
    UIFont* font = nullptr;       // 14 point, null when absent
    UIFont* smallFont = nullptr;  // 11 point, null when absent
    ParameterBinding binding;
    // One per parameter of the effect (none without one).
    std::vector<ParameterDescriptor> descriptors;
    int parameterCount() const { return static_cast<int>(descriptors.size()); }

    float scale = 1.0f;  // the "GUI scale" preference: drag distance per pointer unit
    std::atomic<int> hoverIndex{-1};
    std::atomic<int> activeIndex{-1};
    std::atomic<UIElement*> hoverElement{nullptr};
    std::atomic<UIElement*> tooltipElement{nullptr};
    std::atomic<const char* const*> descriptionTable{nullptr};
    // Hover indices: 0 and up a parameter, -1 nothing, below that a row of
    // the description table (-2 the first).
    static constexpr int kNoHover = -1;
    static constexpr int descriptionHover(int row) { return -2 - row; }
    static constexpr int descriptionRow(int hover) { return -2 - hover; }

    // Projection, from the rectangle.
    int viewWidth = 0, viewHeight = 0;
    float aspect = 0, pixelScaleX = 0, pixelScaleY = 0, fieldOfView = 65.0f;
    float cameraDistance = 0, cameraX = 0, cameraY = 0;
    float lightPosition[4] = {0.0f, 0.0f, 50.0f, 1.0f};

    // Read by the render thread's frame.
    DisplayState displayState{};
    float tooltipAlpha = 0.0f;
    float tooltipBox[4] = {};
    char tooltipText[256] = {};

    // Set by CreateRenderTask while the render thread runs.
    std::unique_ptr<RenderState> renderState;

    // The number of live windows (the class registration count on Windows).
    static int liveWindows();

    // Pixels from the editor's top-left corner to window units (y up).
    Point toWindowUnits(int x, int y) const;

private:
    class Input;

    WindowOwner* owner_;
    HaldAuBase* effect_;
    WindowRect rectangle_;
    std::unique_ptr<Input> input_;
    std::unique_ptr<platform::ChildWindow> child_;
    DragGesture gesture_{this};
};

// The version caption's text: "haldrane : parfelle " and the version (2.0.2).
const char* versionCaption();

}  // namespace HD
