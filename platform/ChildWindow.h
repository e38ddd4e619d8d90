// The editor's system window inside the host's window, and the pointer
// input it receives. Positions are pixels from the top-left corner of the
// editor; during a drag they are signed 16-bit values (the pointer may leave
// the window past any edge).
//
// Threads: everything here runs on the host's user-interface thread.
#pragma once

#include <memory>

#include "platform/InputCodes.h"

namespace platform {

// What the toolkit does with the window's input (implemented by HD::UIWindow).
class WindowInput
{
public:
    virtual ~WindowInput() = default;
    // The pointer moved over the window, no button held.
    virtual void pointerMoved(int x, int y) = 0;
    // A button went down: the start of a press-and-drag gesture. Returns
    // false when nothing is under the pointer (no gesture follows).
    virtual bool pointerPressed(int x, int y, int modifiers) = 0;
    // The gesture's following events: kDragMoved, kDragModifiersChanged
    // (modifiers are then the keys held now), kDragReleased or kDragFailed.
    // Returns false when the gesture is over: the platform then gives the
    // pointer back (capture, grab) and calls dragEnded.
    virtual bool dragEvent(int kind, int x, int y, int modifiers) = 0;
    // The pointer has been given back: the gesture's last calls. Anything
    // may happen here, a modal dialog included.
    virtual void dragEnded() = 0;
};

class ChildWindow
{
public:
    // A visible child of parent at (left, top), width x height; null when the
    // system refuses (no display, a parent that does not exist). The input
    // object must outlive the window. The window class must be registered.
    static std::unique_ptr<ChildWindow> create(void* parent, int left, int top, int width, int height,
                                               WindowInput* input);
    // Destroys the system window (unless the host already did with its
    // parent): from then on nothing reaches the input object.
    virtual ~ChildWindow() = default;

    // The native handle (HWND, or the X Window as an integer).
    virtual void* handle() const = 0;
    // Linux: delivers the queued events of the window's own connection
    // (called from the host's idle, so a drag never blocks the host).
    // Windows: nothing; the system calls the window procedure, and a drag
    // runs its own message loop.
    virtual void processEvents() = 0;

protected:
    ChildWindow() = default;
    ChildWindow(const ChildWindow&) = delete;
    ChildWindow& operator=(const ChildWindow&) = delete;
};

// The editors' window class: registered by the first editor to open and
// unregistered when the last one closes (the caller counts). Its name is
// "parfelle" followed by the library's module handle as %p formats it.
// Linux has no window classes: only the name is kept.
void registerWindowClass();
void unregisterWindowClass();
const char* windowClassName();

// The modifier keys held now.
int pollModifiers();

}  // namespace platform
