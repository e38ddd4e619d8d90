#include "support/TestHostWindow.h"

// Before the X headers, whose macros (None, Bool) it would trip over.
#include <gtest/gtest.h>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "gui/UIWindow.h"
#include "platform/ChildWindow.h"

namespace support {

namespace {

// The host's window stands near the bottom-right corner of the screen, with
// room around it for drags past its edges: away from where other test
// programs sharing the X server put theirs (the top-left).
constexpr int kMargin = 100;

Window xWindow(void* handle) { return static_cast<Window>(reinterpret_cast<uintptr_t>(handle)); }

Display* queryDisplay()
{
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

struct HostWindow::Impl
{
    Display* display = nullptr;
    Window parent = 0;
    bool parentAlive = false;
    bool xtest = false;     // the server takes fake input
    bool scripted = false;  // and has had some from this window's script
    int x = 0, y = 0;  // of the host's window on the screen

    KeyCode keycode(Key key) const
    {
        const KeySym sym = key == Key::Shift ? XK_Shift_L : key == Key::Control ? XK_Control_L : XK_Alt_L;
        return XKeysymToKeycode(display, sym);
    }
};

HostWindow::HostWindow(int width, int height) : impl_(new Impl)
{
    Display* display = XOpenDisplay(nullptr);
    impl_->display = display;
    if (!display) return;
    int eventBase, errorBase, major, minor;
    impl_->xtest = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // placed exactly where asked, with or without a window manager
    attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
    impl_->x = DisplayWidth(display, DefaultScreen(display)) - width - kMargin;
    impl_->y = DisplayHeight(display, DefaultScreen(display)) - height - kMargin;
    impl_->parent = XCreateWindow(display, DefaultRootWindow(display), impl_->x, impl_->y, width, height, 0,
                                  CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                                  &attributes);
    XMapRaised(display, impl_->parent);
    XSync(display, False);
    impl_->parentAlive = true;
}

HostWindow::~HostWindow()
{
    if (!impl_->display) return;
    if (impl_->scripted) {
        // Keys and buttons the script left down go up again.
        for (Key key : {Key::Shift, Key::Control, Key::Alt})
            XTestFakeKeyEvent(impl_->display, impl_->keycode(key), False, 0);
        for (unsigned button = 1; button <= 3; ++button) XTestFakeButtonEvent(impl_->display, button, False, 0);
        // The pointer off every host window, so the next editor opens
        // without it overhead.
        const int screen = DefaultScreen(impl_->display);
        XTestFakeMotionEvent(impl_->display, screen, DisplayWidth(impl_->display, screen) - 1,
                             DisplayHeight(impl_->display, screen) - 1, 0);
    }
    destroy();
    XCloseDisplay(impl_->display);
}

bool HostWindow::ok() const { return impl_->display && impl_->parentAlive; }
void* HostWindow::handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(impl_->parent)); }

void HostWindow::destroy()
{
    if (!impl_->parentAlive) return;
    XDestroyWindow(impl_->display, impl_->parent);
    XSync(impl_->display, False);
    impl_->parentAlive = false;
}

void HostWindow::deliverTo(const std::function<HD::UIWindow*()>& current, const std::function<bool()>& done)
{
    auto pump = [&] {
        if (HD::UIWindow* window = current()) window->processEvents();
    };
    Display* d = impl_->display;
    if (!impl_->xtest) {
        ADD_FAILURE() << "the X server takes no fake input (XTest)";
        script_.clear();
        return;
    }
    impl_->scripted = true;
    // On top of whatever windows others have made since.
    if (impl_->parentAlive) XRaiseWindow(d, impl_->parent);
    for (const Step& step : script_) {
        switch (step.kind) {
        case Step::Move:
            XTestFakeMotionEvent(d, DefaultScreen(d), impl_->x + step.a, impl_->y + step.b, 0);
            break;
        case Step::Press:
        case Step::Release:
            XTestFakeButtonEvent(d, static_cast<unsigned>(step.a), step.kind == Step::Press, 0);
            break;
        case Step::KeyDown:
        case Step::KeyUp:
            XTestFakeKeyEvent(d, impl_->keycode(static_cast<Key>(step.a)), step.kind == Step::KeyDown, 0);
            break;
        case Step::DestroyParent:
            XDestroyWindow(d, impl_->parent);
            impl_->parentAlive = false;
            break;
        case Step::Call:
            // The editor first takes what came before, as a host's idle would.
            for (int i = 0; i < 20; ++i) {
                pump();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            actions_[static_cast<size_t>(step.a)]();
            break;
        }
        // One step at a time through the server, so requests and fake input
        // keep their order.
        XSync(d, False);
    }
    script_.clear();
    if (!current()) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (done && !done() && std::chrono::steady_clock::now() < deadline) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (int i = 0; i < 20; ++i) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void HostWindow::perform(HD::UIWindow*)
{
    deliverTo([] { return nullptr; }, nullptr);
}

bool HostWindow::readsBackWindows() { return true; }

std::vector<Pixel> HostWindow::screenshot(void* window, int width, int height)
{
    std::vector<Pixel> pixels;
    XImage* image = XGetImage(impl_->display, xWindow(window), 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return pixels;
    auto channel = [](unsigned long value, unsigned long mask) {
        int shift = 0;
        while (mask && !(mask & 1u)) mask >>= 1, ++shift;
        return static_cast<int>(((value >> shift) & mask) * 255u / (mask ? mask : 1u));
    };
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const unsigned long value = XGetPixel(image, x, y);
            pixels.push_back({channel(value, image->red_mask), channel(value, image->green_mask),
                              channel(value, image->blue_mask)});
        }
    XDestroyImage(image);
    return pixels;
}

bool HostWindow::exists(void* window)
{
    // Whether the window is among the children of anything: walk from the root.
    Display* d = queryDisplay();
    std::function<bool(Window)> find = [&](Window at) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, at, &root, &parent, &children, &count)) return false;
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i)
            found = children[i] == xWindow(window) || find(children[i]);
        if (children) XFree(children);
        return found;
    };
    return find(DefaultRootWindow(d));
}

void* HostWindow::systemParentOf(void* window)
{
    Display* d = queryDisplay();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    const Status status = XQueryTree(d, xWindow(window), &root, &parent,
                                     &children, &count);
    XSync(d, False);
    XSetErrorHandler(previous);
    if (children) XFree(children);
    return status ? reinterpret_cast<void*>(static_cast<uintptr_t>(parent)) : nullptr;
}

HostWindow::Placement HostWindow::placementOf(void* window)
{
    XWindowAttributes a{};
    XGetWindowAttributes(queryDisplay(), xWindow(window), &a);
    return {a.x, a.y, a.width, a.height};
}

void* programModule() { return nullptr; }

std::optional<bool> windowClassRegistered(const char*) { return std::nullopt; }

void expectEditorChildWindow(void* window, const std::string&)
{
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(d, xWindow(window), &a));
    EXPECT_EQ(a.map_state, IsViewable);
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(a.visual);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &wanted, &count);
    ASSERT_NE(info, nullptr);
    int useGL = 0, doubleBuffer = 0, rgba = 0, depth = 0;
    glXGetConfig(d, info, GLX_USE_GL, &useGL);
    glXGetConfig(d, info, GLX_DOUBLEBUFFER, &doubleBuffer);
    glXGetConfig(d, info, GLX_RGBA, &rgba);
    glXGetConfig(d, info, GLX_DEPTH_SIZE, &depth);
    EXPECT_TRUE(useGL && doubleBuffer && rgba);
    EXPECT_GE(depth, 16);
    XFree(info);
    XCloseDisplay(d);
}

}  // namespace support
