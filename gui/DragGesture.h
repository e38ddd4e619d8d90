// The press-and-drag gesture: which element calls a press, the pointer
// events that follow it and their end produce, written once for every
// platform. Windows feeds it from a modal message loop, Linux from the
// events it drains in the editor's idle call; the calls are the same.
//
//   press:            hitTest; mouseDown(p, keys); flush
//   each event:       [keys changed: mouseUp(p, old keys); mouseDown(p, new keys)]
//                     mouseDrag(p, keys); released: over; otherwise flush
//   failure:          over (no mouseDrag)
//   end, once the platform has given the pointer back (capture, grab):
//                     mouseUp(last p, keys); gestureEnded; activeIndex = -1;
//                     the host is asked to refresh its display
//
// The end waits for the pointer to be free because an element's mouseUp may
// open a modal dialog (a button's action).
#pragma once

#include "gui/BoundingBox.h"
#include "platform/InputCodes.h"

namespace HD {

class UIElement;
class UIWindow;

enum class DragEvent : int
{
    Moved = platform::kDragMoved,
    ModifiersChanged = platform::kDragModifiersChanged,
    Released = platform::kDragReleased,
    Failed = platform::kDragFailed,
};

class DragGesture
{
public:
    explicit DragGesture(UIWindow* window) : window_(window) {}

    // Starts a gesture at point (window units); false when no element is
    // there, and then nothing else happens.
    bool press(Point point, int modifiers);
    // One pointer event; x and y are the platform's position (pixels from the
    // top-left of the editor, taken as signed 16-bit values), converted with
    // the window's scale measured from the press point. currentModifiers are
    // the keys held now (the new ones for ModifiersChanged). Returns false
    // once the gesture is over (released or failed); end() must follow.
    bool event(DragEvent kind, int x, int y, int currentModifiers);
    // The gesture's last calls; nothing when no gesture is active.
    void end();

    bool active() const { return element_ != nullptr; }
    UIElement* element() const { return element_; }

private:
    UIWindow* window_;
    UIElement* element_ = nullptr;
    bool over_ = false;  // released or failed, end() still to come
    int modifiers_ = 0;
    Point pressPoint_{0, 0};
    Point lastPoint_{0, 0};
};

}  // namespace HD
