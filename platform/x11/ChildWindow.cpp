// The editor's window on X11: a child of the host's window on a connection
// of our own, whose events the host's idle call drains. A press-and-drag is
// fed from those events too: a modal loop here would freeze the host, which
// drives its own event loop.
#include "platform/ChildWindow.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdint>
#include <cstdio>

#include "platform/ModuleHandle.h"
#include "platform/x11/LastError.h"
#include "platform/x11/XConnection.h"

namespace platform {

namespace {

char className[64] = {};

// The modifier bit that Alt sets on this server (Mod1 on almost all of them).
unsigned altMask(Display* display)
{
    unsigned mask = 0;
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int modifier = 0; modifier < 8 && !mask; ++modifier)
            for (int k = 0; k < map->max_keypermod; ++k) {
                const KeyCode code = map->modifiermap[modifier * map->max_keypermod + k];
                if (!code) continue;
                const KeySym sym = XkbKeycodeToKeysym(display, code, 0, 0);
                if (sym == XK_Alt_L || sym == XK_Alt_R) {
                    mask = 1u << modifier;
                    break;
                }
            }
        XFreeModifiermap(map);
    }
    return mask ? mask : Mod1Mask;
}

int modifiersFromMask(unsigned state, unsigned alt)
{
    int flags = 0;
    if (state & alt) flags |= kModifierAlt;
    if (state & ShiftMask) flags |= kModifierShift;
    if (state & ControlMask) flags |= kModifierControl;
    return flags;
}

bool isPointerButton(unsigned button) { return button >= Button1 && button <= Button3; }

class X11ChildWindow final : public ChildWindow
{
public:
    X11ChildWindow(Display* display, Window window, Colormap colormap, WindowInput* input)
        : display_(display), window_(window), colormap_(colormap), input_(input), altMask_(altMask(display))
    {
    }

    ~X11ChildWindow() override
    {
        if (destroyed_) *destroyed_ = true;
        // The host may have destroyed its window (and ours with it) already:
        // the BadWindow that follows is one of ours and swallowed.
        if (alive_) XDestroyWindow(display_, window_);
        XFreeColormap(display_, colormap_);
        XSync(display_, False);
        closeConnection(display_);
    }

    void* handle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window_)); }

    void processEvents() override
    {
        // An element's action may close the editor, and this window with it.
        bool destroyed = false;
        destroyed_ = &destroyed;
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            dispatch(event);
            if (destroyed) return;
        }
        destroyed_ = nullptr;
    }

private:
    void dispatch(const XEvent& event)
    {
        switch (event.type) {
        case MotionNotify:
            if (event.xmotion.window != window_) break;
            if (dragging_)
                dragTo(event.xmotion.x, event.xmotion.y, event.xmotion.state);
            else
                input_->pointerMoved(event.xmotion.x, event.xmotion.y);
            break;
        case ButtonPress:
            if (event.xbutton.window != window_ || !isPointerButton(event.xbutton.button)) break;
            if (dragging_)
                // Another button during a drag is a position like a move.
                dragTo(event.xbutton.x, event.xbutton.y, event.xbutton.state);
            else
                press(event.xbutton);
            break;
        case ButtonRelease:
            // Whichever button comes up ends the drag.
            if (event.xbutton.window != window_ || !dragging_ || !isPointerButton(event.xbutton.button)) break;
            if (!input_->dragEvent(kDragReleased, event.xbutton.x, event.xbutton.y, dragModifiers_))
                finishDrag(event.xbutton.time);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window != window_) break;
            alive_ = false;
            if (dragging_) {
                input_->dragEvent(kDragFailed, 0, 0, dragModifiers_);
                finishDrag(CurrentTime);
            }
            break;
        default:
            break;
        }
    }

    void press(const XButtonEvent& event)
    {
        const int modifiers = modifiersFromMask(event.state, altMask_);
        if (!input_->pointerPressed(event.x, event.y, modifiers)) return;
        dragging_ = true;
        dragModifiers_ = modifiers;
        // The press already holds an implicit grab until every button is up;
        // the explicit one keeps the drag ours until our release ends it.
        XGrabPointer(display_, window_, False, PointerMotionMask | ButtonPressMask | ButtonReleaseMask,
                     GrabModeAsync, GrabModeAsync, None, None, event.time);
        XFlush(display_);
    }

    // The keys come with the event: it may have waited in the queue since
    // the user pressed them, so the state at that moment is the one to use.
    void dragTo(int x, int y, unsigned state)
    {
        const int modifiers = modifiersFromMask(state, altMask_);
        int kind = kDragMoved;
        if (modifiers != dragModifiers_) {
            kind = kDragModifiersChanged;
            dragModifiers_ = modifiers;
        }
        if (!input_->dragEvent(kind, x, y, modifiers)) finishDrag(CurrentTime);
    }

    void finishDrag(Time time)
    {
        dragging_ = false;
        XUngrabPointer(display_, time);
        XFlush(display_);
        input_->dragEnded();
    }

    Display* display_;
    Window window_;
    Colormap colormap_;
    WindowInput* input_;
    unsigned altMask_;
    bool alive_ = true;
    bool* destroyed_ = nullptr;  // set while events are delivered
    bool dragging_ = false;
    int dragModifiers_ = 0;
};

}  // namespace

std::unique_ptr<ChildWindow> ChildWindow::create(void* parent, int left, int top, int width, int height,
                                                 WindowInput* input)
{
    Display* display = openConnection();
    if (!display) {
        setLastErrorText("cannot open the X display");
        return nullptr;
    }
    const Window parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(display, parentWindow, &parentAttributes)) {
        setLastErrorText("the host's window does not exist");
        closeConnection(display);
        return nullptr;
    }
    const int screen = XScreenNumberOfScreen(parentAttributes.screen);

    // The render thread's GLX context needs a window of a GLX visual; without
    // GLX the window still takes input.
    int glxAttributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                           GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* glxVisual = glXChooseVisual(display, screen, glxAttributes);
    Visual* visual = glxVisual ? glxVisual->visual : DefaultVisual(display, screen);
    const int depth = glxVisual ? glxVisual->depth : DefaultDepth(display, screen);
    if (glxVisual) XFree(glxVisual);

    // A visual other than the parent's needs its own colormap and a border
    // pixel, or the server answers BadMatch.
    const Colormap colormap = XCreateColormap(display, RootWindow(display, screen), visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = PointerMotionMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    const unsigned long errorsBefore = swallowedErrors(display);
    const Window window = XCreateWindow(display, parentWindow, left, top, static_cast<unsigned>(width > 0 ? width : 1),
                                        static_cast<unsigned>(height > 0 ? height : 1), 0, depth, InputOutput, visual,
                                        CWColormap | CWBorderPixel | CWBackPixel | CWEventMask, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    if (swallowedErrors(display) != errorsBefore) {
        setLastErrorText("the X server refused the editor's window");
        XDestroyWindow(display, window);
        XFreeColormap(display, colormap);
        XSync(display, False);
        closeConnection(display);
        return nullptr;
    }
    return std::unique_ptr<ChildWindow>(new X11ChildWindow(display, window, colormap, input));
}

void registerWindowClass()
{
    std::snprintf(className, sizeof className, "parfelle%p", moduleHandle());
}

void unregisterWindowClass() {}

const char* windowClassName() { return className; }

int pollModifiers()
{
    Display* display = openConnection();
    if (!display) return 0;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned state = 0;
    int flags = 0;
    if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &state))
        flags = modifiersFromMask(state, altMask(display));
    closeConnection(display);
    return flags;
}

}  // namespace platform
