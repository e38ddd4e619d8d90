// The element tree: every element belongs to one UIWindow, which owns it;
// groups arrange elements and translate them.
//
// Threads: construction, the mouse operations, hitTest and parameterChanged
// run on the window (host user-interface) thread; draw and the preparation
// hooks on the render thread. State the render thread reads is kept in
// atomics, so a frame sees each value whole.
#pragma once

#include <atomic>

#include "gui/BoundingBox.h"

namespace HD {

class UIWindow;
class Group;
class UIFont;
struct ParameterDescriptor;

class UIElement
{
public:
    // Appends the element to window's elements, which owns it from then on.
    explicit UIElement(UIWindow* window);
    UIElement(const UIElement&) = delete;
    UIElement& operator=(const UIElement&) = delete;
    virtual ~UIElement() = default;

    virtual void draw() {}
    // Enlarges box by the element's extent in its parent's coordinates.
    virtual void getBounds(BoundingBox& /*box*/) {}
    virtual void mouseDown(Point /*point*/, int /*modifiers*/) {}
    virtual void mouseDrag(Point /*point*/, int /*modifiers*/) {}
    virtual void mouseUp(Point /*point*/, int /*modifiers*/) {}
    // The press-and-drag gesture this element took is over: after its last
    // mouseUp (a change of keys in mid-drag sends mouseUp and mouseDown
    // again, but the gesture goes on).
    virtual void gestureEnded() {}
    virtual void mouseEnter() {}
    virtual void mouseLeave() {}
    virtual void parameterChanged(const ParameterDescriptor* /*descriptor*/, float /*value*/) {}
    // The leaf element under point (in the parent's coordinates), or null.
    virtual UIElement* hitTest(Point /*point*/) { return nullptr; }
    // Render thread, once, with the main context current: in creation order,
    // every element's prepareGraphics, then every element's afterPrepareGraphics.
    virtual void prepareGraphics() {}
    virtual void afterPrepareGraphics() {}
    // Render thread, once, into the static background image.
    virtual void drawBackground(UIFont* /*font*/) {}

    UIWindow* window() const { return window_; }
    Group* parent() const { return parent_; }

private:
    friend void addChild(Group* group, UIElement* element);
    UIWindow* window_;
    Group* parent_ = nullptr;
};

// Shared base of interactive elements.
class ControlBase : public UIElement
{
public:
    explicit ControlBase(UIWindow* window) : UIElement(window) {}

    BoundingBox bounds;    // in the parent's coordinates; empty at construction
    bool stepped = false;  // discrete values (set by Control)
};

// The element's extent in window coordinates: its own bounds plus every
// ancestor's offset.
BoundingBox windowBounds(UIElement* element);

// Animated colours move this fraction of the remaining way to their target
// per drawn frame.
constexpr float kColourGlide = 0.15f;
// Render thread, once per frame: each component 0.15 x target + 0.85 x current.
void glideColour(float colour[4], const std::atomic<float> target[4]);

}  // namespace HD
