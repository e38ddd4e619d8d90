// The editor window through the system: the window class and the child
// window, pointer input that really comes from the system (Linux: XTest on
// the X server, read from the window's own connection in the idle call;
// Windows: window messages, with the modal drag loop consuming the queued
// pointer messages), and what is left after the editor or the host's window
// goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "GestureRig.h"
#include "support/WaitUntil.h"
#include "gui/Modifiers.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"
#include "platform/ChildWindow.h"
#include "platform/SystemServices.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace gesture;
using HD::ModifierAlt;
using HD::ModifierControl;
using HD::ModifierShift;

namespace {

enum class Key
{
    Shift,
    Control,
    Alt,
};

// The host: a top-level window standing for the host's editor window, and
// the user's hands on the pointer and keys. Actions are collected into a
// script and performed by deliver(), which then lets the editor window take
// what the system made of them.
//
// Coordinates are pixels of the editor (from its top-left corner), which
// sits at the top-left of the host's window.
class Host
{
public:
    Host(int width, int height);
    ~Host();
    bool ok() const;
    void* parent() const;

    void move(int x, int y) { script_.push_back({Step::Move, x, y}); }
    void press(int button) { script_.push_back({Step::Press, button, 0}); }
    void release(int button) { script_.push_back({Step::Release, button, 0}); }
    void keyDown(Key key) { script_.push_back({Step::KeyDown, static_cast<int>(key), 0}); }
    void keyUp(Key key) { script_.push_back({Step::KeyUp, static_cast<int>(key), 0}); }
    // The host destroys its window (and the editor's with it).
    void destroyParent() { script_.push_back({Step::DestroyParent, 0, 0}); }
    // Anything the host does at that point (closing the editor, say).
    void call(std::function<void()> action)
    {
        actions_.push_back(std::move(action));
        script_.push_back({Step::Call, static_cast<int>(actions_.size() - 1), 0});
    }

    // Performs the script; then the window takes its input until done()
    // holds (or a few seconds pass), and whatever else arrives soon after.
    // Without done, only what arrives soon (for what must not happen).
    // The window is looked up afresh each time: the script may close it.
    void deliverTo(const std::function<HD::UIWindow*()>& window, const std::function<bool()>& done);
    void deliver(HD::UIWindow* window, const std::function<bool()>& done = nullptr)
    {
        deliverTo([window] { return window; }, done);
    }
    void deliver(std::unique_ptr<HD::UIWindow>& window, const std::function<bool()>& done = nullptr)
    {
        deliverTo([&window] { return window.get(); }, done);
    }

    // What the system says of a window.
    static bool exists(void* window);
    static void* systemParentOf(void* window);
    struct Placement
    {
        int x, y, width, height;
    };
    static Placement placementOf(void* window);

    struct Impl;

private:
    struct Step
    {
        enum Kind { Move, Press, Release, KeyDown, KeyUp, DestroyParent, Call } kind;
        int a, b;
    };
    std::vector<Step> script_;
    std::vector<std::function<void()>> actions_;
    std::unique_ptr<Impl> impl_;
    friend struct Impl;
};

#ifdef _WIN32

// ---- Windows: a top-level window of this thread and window messages -------------

constexpr UINT kKeyMessage = WM_APP + 1;      // wParam: virtual key, lParam: 1 down, 0 up
constexpr UINT kDestroyMessage = WM_APP + 2;  // the host destroys its window
constexpr UINT kCallMessage = WM_APP + 3;     // wParam: the action

struct Host::Impl
{
    HWND parent = nullptr;
    Host* host = nullptr;
    int lastX = 0, lastY = 0;  // where the pointer is

    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (message) {
        case kKeyMessage: {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>(wParam);
            input.ki.dwFlags = lParam ? 0 : KEYEVENTF_KEYUP;
            SendInput(1, &input, sizeof input);
            // The host takes the key's own messages, as its loop would have
            // long before the next click (Wine trusts its cached key state
            // until this thread has seen key input).
            MSG key;
            while (PeekMessageA(&key, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
                TranslateMessage(&key);
                DispatchMessageA(&key);
            }
            return 0;
        }
        case kDestroyMessage:
            DestroyWindow(hwnd);
            return 0;
        case kCallMessage:
            if (impl) impl->host->actions_[wParam]();
            return 0;
        case WM_NCDESTROY:
            if (impl) impl->parent = nullptr;
            break;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

Host::Host(int width, int height) : impl_(new Impl)
{
    impl_->host = this;
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Impl::procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ParfelleTestHost";
        return RegisterClassA(&wc);
    }();
    if (!atom) return;
    impl_->parent = CreateWindowExA(0, "ParfelleTestHost", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                    width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (impl_->parent) SetWindowLongPtrA(impl_->parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl_.get()));
    // The system's own cursor stays far from the windows: the system sends a
    // move of its own where the cursor is when a capture ends, and this
    // script's pointer is the posted messages.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    // Keys go to the focus window: this thread's, as they would go to the
    // host's. Wine sets its key state from the X server's when the focus
    // arrives, which would undo keys the script presses before that: wait
    // for the focus, taking the messages that bring it.
    SetForegroundWindow(impl_->parent);
    SetFocus(impl_->parent);
    for (int i = 0; i < 200; ++i) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (GetFocus() == impl_->parent && i >= 5) break;
        Sleep(10);
    }
}

Host::~Host()
{
    if (impl_->parent) DestroyWindow(impl_->parent);
    // Keys the script left down go up again.
    for (WORD key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}

bool Host::ok() const { return impl_->parent != nullptr; }
void* Host::parent() const { return impl_->parent; }

void Host::deliverTo(const std::function<HD::UIWindow*()>& current, const std::function<bool()>& done)
{
    // The system delivers to the window procedure itself.
    HD::UIWindow* window = current();
    HWND parent = impl_->parent;
    HWND child = window && window->childWindow() ? static_cast<HWND>(window->childWindow()->handle()) : nullptr;
    bool held = false;  // a button is down: the pointer belongs to the drag loop, on the host's window
    RECT editor{};
    if (child) GetClientRect(child, &editor);
    for (const Step& step : script_) {
        switch (step.kind) {
        case Step::Move: {
            // Without a button down, a move goes to the window under the pointer.
            const POINT at{step.a, step.b};
            HWND target = held || !PtInRect(&editor, at) ? parent : child;
            PostMessageA(target, WM_MOUSEMOVE, held ? MK_LBUTTON : 0, MAKELPARAM(step.a & 0xffff, step.b & 0xffff));
            impl_->lastX = step.a;
            impl_->lastY = step.b;
            break;
        }
        case Step::Press: {
            const UINT message = step.a == 1 ? WM_LBUTTONDOWN : step.a == 2 ? WM_MBUTTONDOWN : WM_RBUTTONDOWN;
            PostMessageA(held ? parent : child, message, 0, MAKELPARAM(impl_->lastX & 0xffff, impl_->lastY & 0xffff));
            held = true;
            break;
        }
        case Step::Release: {
            const UINT message = step.a == 1 ? WM_LBUTTONUP : step.a == 2 ? WM_MBUTTONUP : WM_RBUTTONUP;
            PostMessageA(held ? parent : child, message, 0, MAKELPARAM(impl_->lastX & 0xffff, impl_->lastY & 0xffff));
            held = false;
            break;
        }
        case Step::KeyDown:
        case Step::KeyUp: {
            const WPARAM key = step.a == int(Key::Shift) ? VK_SHIFT : step.a == int(Key::Control) ? VK_CONTROL : VK_MENU;
            PostMessageA(parent, kKeyMessage, key, step.kind == Step::KeyDown);
            break;
        }
        case Step::DestroyParent:
            PostMessageA(parent, kDestroyMessage, 0, 0);
            break;
        case Step::Call:
            PostMessageA(parent, kCallMessage, static_cast<WPARAM>(step.a), 0);
            break;
        }
    }
    script_.clear();
    // The host's message loop; a press runs the drag loop inside it, which
    // takes the queued pointer messages as they come.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    (void)done;
}

bool Host::exists(void* window) { return IsWindow(static_cast<HWND>(window)) != 0; }
void* Host::systemParentOf(void* window) { return GetParent(static_cast<HWND>(window)); }
Host::Placement Host::placementOf(void* window)
{
    HWND hwnd = static_cast<HWND>(window);
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    MapWindowPoints(hwnd, GetParent(hwnd), &origin, 1);
    return {origin.x, origin.y, client.right - client.left, client.bottom - client.top};
}

#else

// ---- Linux: a top-level X window on a connection of the test, and XTest ------------

// The host's window stands near the bottom-right corner of the screen, with
// room around it for drags past its edges: away from where other test
// programs sharing the X server put theirs (the top-left).
constexpr int kMargin = 100;

struct Host::Impl
{
    Display* display = nullptr;
    Window parent = 0;
    bool parentAlive = false;
    int x = 0, y = 0;  // of the host's window on the screen

    KeyCode keycode(Key key) const
    {
        const KeySym sym = key == Key::Shift ? XK_Shift_L : key == Key::Control ? XK_Control_L : XK_Alt_L;
        return XKeysymToKeycode(display, sym);
    }
};

Host::Host(int width, int height) : impl_(new Impl)
{
    Display* display = XOpenDisplay(nullptr);
    impl_->display = display;
    if (!display) return;
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return;
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

Host::~Host()
{
    if (!impl_->display) return;
    for (Key key : {Key::Shift, Key::Control, Key::Alt}) XTestFakeKeyEvent(impl_->display, impl_->keycode(key), False, 0);
    for (unsigned button = 1; button <= 3; ++button) XTestFakeButtonEvent(impl_->display, button, False, 0);
    if (impl_->parentAlive) XDestroyWindow(impl_->display, impl_->parent);
    XSync(impl_->display, False);
    XCloseDisplay(impl_->display);
}

bool Host::ok() const { return impl_->display && impl_->parentAlive; }
void* Host::parent() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(impl_->parent)); }

void Host::deliverTo(const std::function<HD::UIWindow*()>& current, const std::function<bool()>& done)
{
    auto pump = [&] {
        if (HD::UIWindow* window = current()) window->processEvents();
    };
    Display* d = impl_->display;
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

namespace {
Display* queryDisplay()
{
    static Display* display = XOpenDisplay(nullptr);
    return display;
}
int ignoreErrors(Display*, XErrorEvent*) { return 0; }
}  // namespace

bool Host::exists(void* window)
{
    // Whether the window is among the children of anything: walk from the root.
    Display* d = queryDisplay();
    std::function<bool(Window)> find = [&](Window at) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, at, &root, &parent, &children, &count)) return false;
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i)
            found = children[i] == static_cast<Window>(reinterpret_cast<uintptr_t>(window)) || find(children[i]);
        if (children) XFree(children);
        return found;
    };
    return find(DefaultRootWindow(d));
}

void* Host::systemParentOf(void* window)
{
    Display* d = queryDisplay();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XErrorHandler previous = XSetErrorHandler(ignoreErrors);
    const Status status = XQueryTree(d, static_cast<Window>(reinterpret_cast<uintptr_t>(window)), &root, &parent,
                                     &children, &count);
    XSync(d, False);
    XSetErrorHandler(previous);
    if (children) XFree(children);
    return status ? reinterpret_cast<void*>(static_cast<uintptr_t>(parent)) : nullptr;
}

Host::Placement Host::placementOf(void* window)
{
    XWindowAttributes a{};
    XGetWindowAttributes(queryDisplay(), static_cast<Window>(reinterpret_cast<uintptr_t>(window)), &a);
    return {a.x, a.y, a.width, a.height};
}

#endif

// ---- the scenarios, the same on both systems ----------------------------------------

// An editor of 200 x 100 pixels in a host window of 300 x 200, with one
// element over window x 50..150, y 20..80 (pixel rows 20..80 from the top).
struct WindowFixture : ::testing::Test
{
    WindowFixture() : host(300, 200) {}

    void SetUp() override
    {
        ASSERT_TRUE(host.ok()) << "no host window (is DISPLAY set?)";
        owner.reset(new HostedOwner(&effect, host.parent()));
        window.reset(new HD::UIWindow(owner.get(), rectangle(0, 0, 200, 100), nullptr, nullptr));
        ASSERT_NE(window->childWindow(), nullptr);
        element = new RecordingElement(window.get(), 50, 20, 150, 80);
        HD::addChild(window->root, element);
        displayRefreshes = 0;
        // Start with the pointer away from the editor.
        host.move(250, 150);
        host.deliver(window, [] { return true; });
    }

    // Delivers until the element has received `count` calls.
    void deliverUntil(size_t count)
    {
        host.deliver(window, [&] { return element->calls.size() >= count; });
    }

    CountingEffect effect;
    Host host;
    std::unique_ptr<HostedOwner> owner;
    std::unique_ptr<HD::UIWindow> window;
    RecordingElement* element = nullptr;
};

TEST_F(WindowFixture, ThePointerOverAnElementEntersItAndLeavesItForAnotherPlace)
{
    host.move(60, 70);
    host.move(65, 72);
    deliverUntil(1);
    EXPECT_EQ(element->calls, (std::vector<Record>{enter()}));
    EXPECT_EQ(window->hoverElement.load(), element);
    host.move(10, 10);  // inside the editor, over nothing
    deliverUntil(2);
    EXPECT_EQ(element->calls, (std::vector<Record>{enter(), leave()}));
    EXPECT_EQ(window->hoverElement.load(), nullptr);

    // Leaving the editor altogether is not noticed: the element stays hovered.
    host.move(100, 50);
    deliverUntil(3);
    host.move(260, 50);
    host.deliver(window);
    EXPECT_EQ(element->calls, (std::vector<Record>{enter(), leave(), enter()}));
    EXPECT_EQ(window->hoverElement.load(), element);
}

TEST_F(WindowFixture, PressDragAndReleaseReachTheElementInOrder)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.move(80, 40);
    host.release(1);
    deliverUntil(6);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(70, 40), drag(80, 60), drag(80, 60),
                                          up(80, 60)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window->activeIndex.load(), -1);
    EXPECT_EQ(displayRefreshes.load(), 1);

    // Pointer movement after the release is hover again, not drag.
    host.move(10, 10);
    deliverUntil(7);
    EXPECT_EQ(element->calls.back(), leave());
}

TEST_F(WindowFixture, ShiftPressedDuringADragRestartsTheGestureWithShift)
{
    host.move(60, 70);
    host.press(1);
    host.move(60, 65);
    host.keyDown(Key::Shift);
    host.move(60, 60);
    host.move(60, 55);
    host.keyUp(Key::Shift);
    host.move(60, 50);
    host.release(1);
    deliverUntil(12);
    const int S = ModifierShift;
    const std::vector<Record> expected = {
        enter(),   down(60, 30),    drag(60, 35),
        up(60, 40), down(60, 40, S), drag(60, 40, S),
        drag(60, 45, S),
        up(60, 50, S), down(60, 50), drag(60, 50),
        drag(60, 50),  // the release
        up(60, 50),
    };
    EXPECT_EQ(element->calls, expected);
}

TEST_F(WindowFixture, KeysHeldAtThePressComeWithIt)
{
    host.move(100, 50);
    host.keyDown(Key::Alt);
    host.keyDown(Key::Control);
    host.press(1);
    host.move(101, 50);
    host.release(1);
    host.keyUp(Key::Control);
    host.keyUp(Key::Alt);
    deliverUntil(5);
    const int AC = ModifierAlt | ModifierControl;
    const std::vector<Record> expected = {enter(), down(100, 50, AC), drag(101, 50, AC), drag(101, 50, AC),
                                          up(101, 50, AC)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(WindowFixture, ReleasingAnotherButtonEndsTheDrag)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 70);
    host.press(3);  // a position like a move
    host.move(75, 70);
    host.release(3);
    deliverUntil(7);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(70, 30), drag(70, 30), drag(75, 30),
                                          drag(75, 30), up(75, 30)};
    EXPECT_EQ(element->calls, expected);
    // The first button's own release later starts nothing.
    host.release(1);
    host.deliver(window);
    EXPECT_EQ(element->calls.size(), expected.size());
}

TEST_F(WindowFixture, TheMiddleAndRightButtonsDragLikeTheLeft)
{
    host.move(60, 70);
    deliverUntil(1);
    for (int button : {2, 3}) {
        element->calls.clear();
        host.move(60, 70);
        host.press(button);
        host.move(61, 70);
        host.release(button);
        deliverUntil(4);
        const std::vector<Record> expected = {down(60, 30), drag(61, 30), drag(61, 30), up(61, 30)};
        EXPECT_EQ(element->calls, expected) << "button " << button;
    }
}

TEST_F(WindowFixture, DraggingPastTheLeftAndBottomEdgesGivesNegativeCoordinates)
{
    host.move(60, 70);
    host.press(1);
    host.move(-30, 90);
    host.move(-30, 125);  // 25 below the editor
    host.release(1);
    deliverUntil(6);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(-30, 10), drag(-30, -25), drag(-30, -25),
                                          up(-30, -25)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(WindowFixture, ADoubleClickIsTwoPresses)
{
    host.move(60, 70);
    host.press(1);
    host.release(1);
    host.press(1);
    host.release(1);
    deliverUntil(7);
    const std::vector<Record> expected = {enter(),      down(60, 30), drag(60, 30), up(60, 30),
                                          down(60, 30), drag(60, 30), up(60, 30)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(displayRefreshes.load(), 2);
}

TEST_F(WindowFixture, APressOverNothingStartsNoDrag)
{
    host.move(10, 10);
    host.press(1);
    host.move(60, 70);  // over the element, button still down
    host.release(1);
    host.move(62, 70);
    host.deliver(window);
    // No gesture: the element sees at most hovering, never a press or a drag.
    for (const Record& r : element->calls) EXPECT_TRUE(r.call == Call::Enter || r.call == Call::Leave) << r;
    EXPECT_EQ(displayRefreshes.load(), 0);
}

TEST_F(WindowFixture, TheHostDestroyingItsWindowDuringADragEndsTheGesture)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.destroyParent();
    deliverUntil(4);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(70, 40), up(70, 40)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window->activeIndex.load(), -1);
    // The editor closes later, its window long gone: nothing to fear.
    void* child = window->childWindow()->handle();
    EXPECT_FALSE(Host::exists(child));
    window.reset();
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST_F(WindowFixture, TheHostClosingTheEditorDuringADragIsSurvived)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.call([this] { window.reset(); });
    host.move(80, 60);
    host.release(1);
    host.deliver(window);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST_F(WindowFixture, TheHostClosingTheEditorWhenAskedToRefreshIsSurvived)
{
    refreshHook = [this] { window.reset(); };
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.release(1);
    host.deliver(window, [this] { return window == nullptr; });
    refreshHook = nullptr;
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(displayRefreshes.load(), 1);
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST(EditorWindow, TheClassIsRegisteredOnceWhileAnyEditorIsOpen)
{
    CountingEffect effect;
    Host host(300, 200);
    ASSERT_TRUE(host.ok());
    HostedOwner owner(&effect, host.parent());
    ASSERT_EQ(HD::UIWindow::liveWindows(), 0);

    char expectedName[64];
#ifdef _WIN32
    std::snprintf(expectedName, sizeof expectedName, "parfelle%p", static_cast<void*>(GetModuleHandleA(nullptr)));
    auto registered = [&] {
        WNDCLASSA wc{};
        return GetClassInfoA(GetModuleHandleA(nullptr), expectedName, &wc) != 0;
    };
#else
    std::snprintf(expectedName, sizeof expectedName, "parfelle%p", static_cast<void*>(nullptr));
    auto registered = [] { return HD::UIWindow::liveWindows() > 0; };  // X has no classes: the count is all
#endif
    EXPECT_FALSE(registered());

    auto first = std::make_unique<HD::UIWindow>(&owner, rectangle(0, 0, 100, 100), nullptr, nullptr);
    EXPECT_STREQ(platform::windowClassName(), expectedName);
    EXPECT_TRUE(registered());
    auto second = std::make_unique<HD::UIWindow>(&owner, rectangle(100, 0, 100, 100), nullptr, nullptr);
    EXPECT_EQ(HD::UIWindow::liveWindows(), 2);
    ASSERT_NE(first->childWindow(), nullptr);
    ASSERT_NE(second->childWindow(), nullptr);
    first.reset();
    EXPECT_TRUE(registered());
    EXPECT_TRUE(Host::exists(second->childWindow()->handle()));
    second.reset();
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
    EXPECT_FALSE(registered());

    // And again from the start.
    auto third = std::make_unique<HD::UIWindow>(&owner, rectangle(0, 0, 100, 100), nullptr, nullptr);
    EXPECT_TRUE(registered());
    ASSERT_NE(third->childWindow(), nullptr);
    third.reset();
    EXPECT_FALSE(registered());
}

#ifdef _WIN32
TEST(EditorWindow, TheClassHasTheStyleCursorAndBrushOfTheDesign)
{
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 100, 100), nullptr, nullptr);
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), platform::windowClassName(), &wc));
    EXPECT_EQ(wc.style, 0x4020u);  // CS_OWNDC | CS_GLOBALCLASS; no CS_DBLCLKS
    EXPECT_EQ(wc.style & CS_DBLCLKS, 0u);
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    EXPECT_EQ(wc.hbrBackground, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hIcon, nullptr);
}
#endif

TEST(EditorWindow, TheChildWindowSitsInTheHostsWindowAtTheRectangle)
{
    CountingEffect effect;
    Host host(400, 300);
    ASSERT_TRUE(host.ok());
    HostedOwner owner(&effect, host.parent());
    HD::UIWindow window(&owner, rectangle(10, 20, 150, 120), nullptr, nullptr);
    ASSERT_NE(window.childWindow(), nullptr);
    void* child = window.childWindow()->handle();
    EXPECT_EQ(Host::systemParentOf(child), host.parent());
    const Host::Placement at = Host::placementOf(child);
    EXPECT_EQ(at.x, 10);
    EXPECT_EQ(at.y, 20);
    EXPECT_EQ(at.width, 150);
    EXPECT_EQ(at.height, 120);
#ifdef _WIN32
    HWND hwnd = static_cast<HWND>(child);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
    char text[64] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, "Window");
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    EXPECT_STREQ(className, platform::windowClassName());
#else
    // Mapped, and of a visual an OpenGL context can draw into.
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(d, static_cast<Window>(reinterpret_cast<uintptr_t>(child)), &a));
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
#endif
}

TEST(EditorWindow, AfterTheEditorClosesItsWindowIsGoneAndReachesNothing)
{
    CountingEffect effect;
    Host host(300, 200);
    ASSERT_TRUE(host.ok());
    HostedOwner owner(&effect, host.parent());
    auto window = std::make_unique<HD::UIWindow>(&owner, rectangle(0, 0, 200, 100), nullptr, nullptr);
    ASSERT_NE(window->childWindow(), nullptr);
    void* child = window->childWindow()->handle();
    EXPECT_TRUE(Host::exists(child));
    window.reset();
    EXPECT_FALSE(Host::exists(child));
    EXPECT_TRUE(Host::exists(host.parent()));
    // Input where the editor was finds only the host's window.
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.release(1);
    host.deliver(nullptr);
}

TEST(EditorWindow, TheHostMayDestroyItsWindowBeforeTheEditorCloses)
{
    CountingEffect effect;
    Host host(300, 200);
    ASSERT_TRUE(host.ok());
    HostedOwner owner(&effect, host.parent());
    auto window = std::make_unique<HD::UIWindow>(&owner, rectangle(0, 0, 200, 100), nullptr, nullptr);
    ASSERT_NE(window->childWindow(), nullptr);
    void* child = window->childWindow()->handle();
    host.destroyParent();
    host.deliver(window.get());
    EXPECT_FALSE(Host::exists(child));
    window->processEvents();
    window.reset();
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST(EditorWindow, ANonexistentParentGivesAWindowWithoutASystemWindow)
{
    CountingEffect effect;
#ifdef _WIN32
    void* bogus = reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ff0));
#else
    void* bogus = reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ffffff0));
#endif
    HostedOwner owner(&effect, bogus);
    HD::UIWindow window(&owner, rectangle(0, 0, 200, 100), nullptr, nullptr);
    EXPECT_EQ(window.childWindow(), nullptr);
    window.processEvents();
}

TEST(EditorWindow, CreationDerivesTheProjectionAndDescriptorsAndBuildsTheRootAndText)
{
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 770, 315), nullptr, nullptr);
    EXPECT_EQ(window.viewWidth, 770);
    EXPECT_EQ(window.viewHeight, 315);
    EXPECT_NEAR(window.aspect, 770.0 / 315.0, 1e-6);
    EXPECT_FLOAT_EQ(window.pixelScaleX, 2.0f / 770.0f);
    EXPECT_FLOAT_EQ(window.pixelScaleY, 2.0f / 315.0f);
    EXPECT_EQ(window.fieldOfView, 65.0f);
    // 315 / (2 tan 32.5 deg) = 315 / (2 x 0.6370703) = 247.2255
    EXPECT_NEAR(window.cameraDistance, 247.2255, 1e-3);
    EXPECT_EQ(window.cameraX, 385.0f);
    EXPECT_EQ(window.cameraY, 157.5f);
    EXPECT_EQ(window.scale, 1.0f);
    EXPECT_EQ(window.hoverIndex.load(), -1);
    EXPECT_EQ(window.activeIndex.load(), -1);
    EXPECT_EQ(window.hoverElement.load(), nullptr);
    EXPECT_EQ(window.tooltipElement.load(), nullptr);
    EXPECT_EQ(window.descriptionTable.load(), nullptr);
    EXPECT_EQ(window.tooltipAlpha, 0.0f);
    const float light[4] = {0, 0, 50, 1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(window.lightPosition[i], light[i]);

    for (int i = 0; i < rig::kRigParameterCount; ++i) {
        const HD::ParameterDescriptor& d = window.descriptors[i];
        EXPECT_EQ(d.index, i);
        EXPECT_STREQ(d.name, rig::kRigParameters[i].name);
        EXPECT_EQ(d.minimum, rig::kRigParameters[i].minimum);
        EXPECT_EQ(d.maximum, rig::kRigParameters[i].maximum);
        EXPECT_EQ(d.defaultValue, rig::kRigParameters[i].defaultValue);
        EXPECT_EQ(d.effect, &effect);
    }

    ASSERT_EQ(window.elements.size(), 1u);
    EXPECT_EQ(window.elements[0], static_cast<HD::UIElement*>(window.root));
    ASSERT_EQ(window.effects.size(), 1u);
    EXPECT_EQ(window.effects[0], static_cast<HD::Effect*>(window.text));
    // No font, no caption.
    EXPECT_EQ(window.font, nullptr);
    EXPECT_TRUE(window.text->runs().empty());
}

TEST(EditorWindow, WithAFontTheVersionCaptionStandsAtTheTopLeft)
{
    // The system's font, else Wine's Tahoma (package fonts-wine), which a
    // fresh Wine prefix does not copy to its fonts folder.
    HD::UIFont* font = nullptr;
    for (const std::string& path : {platform::systemFontPath(), std::string("/usr/share/wine/fonts/tahoma.ttf")}) {
        font = new HD::UIFont(14.0f, path);
        if (font->loaded()) break;
        delete font;
        font = nullptr;
    }
    if (!font) GTEST_SKIP() << "no font file here";
    const float descender = font->descender();
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 770, 315), font, nullptr);
    EXPECT_EQ(window.font, font);
    ASSERT_EQ(window.text->runs().size(), 1u);
    const HD::StaticText::Run& run = window.text->runs()[0];
    EXPECT_EQ(run.text, "haldrane : parfelle 2.0.2");
    EXPECT_EQ(run.x, 60.0f);
    EXPECT_EQ(run.y, 290.0f - descender);
    EXPECT_LT(descender, 0.0f);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(run.colour[i], grey[i]);
}

TEST(EditorWindow, AFontThatHoldsNothingIsDroppedAndDeleted)
{
    const platform::ErrorReporter before = platform::setErrorReporter([](const std::string&, bool) {});
    auto* missing = new HD::UIFont(14.0f, "/nonexistent/font.ttf");
    ASSERT_FALSE(missing->loaded());
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 770, 315), missing, nullptr);
    EXPECT_EQ(window.font, nullptr);
    EXPECT_TRUE(window.text->runs().empty());
    platform::setErrorReporter(before);
}

// ---- the services around the window ---------------------------------------------------

std::vector<std::string> reports;
void keepReport(const std::string& text, bool warningIcon) { reports.push_back((warningIcon ? "!" : "-") + text); }

TEST(SystemServices, ErrorMessagesGoToTheReporterWhileOneIsSet)
{
    reports.clear();
    const platform::ErrorReporter before = platform::setErrorReporter(keepReport);
    platform::showError("first", true);
    platform::showError("second", false);
    EXPECT_EQ(platform::setErrorReporter(before), keepReport);
    EXPECT_EQ(reports, (std::vector<std::string>{"!first", "-second"}));
}

// The keys as reported once the server has taken the fake input (a few
// tries: the server handles input between requests, not within them).
int modifiersSettlingOn(int expected)
{
    int now = 0;
    support::waitUntil([&] { return (now = platform::pollModifiers()) == expected; });
    return now;
}

TEST(SystemServices, TheModifierKeysHeldNowAreReported)
{
    Host host(10, 10);
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(platform::pollModifiers(), 0);
    struct Case
    {
        Key key;
        int flag;
    };
    for (const Case& c : {Case{Key::Shift, ModifierShift}, Case{Key::Control, ModifierControl},
                          Case{Key::Alt, ModifierAlt}}) {
        host.keyDown(c.key);
        host.deliver(nullptr);
        EXPECT_EQ(modifiersSettlingOn(c.flag), c.flag);
        host.keyUp(c.key);
        host.deliver(nullptr);
        EXPECT_EQ(modifiersSettlingOn(0), 0);
    }
    host.keyDown(Key::Shift);
    host.keyDown(Key::Alt);
    host.deliver(nullptr);
    EXPECT_EQ(modifiersSettlingOn(ModifierShift | ModifierAlt), ModifierShift | ModifierAlt);
}

#ifndef _WIN32
TEST(SystemServices, AWebPageOpensThroughXdgOpenWithoutWaitingForIt)
{
    // A stand-in xdg-open that only finishes once this process has gone on
    // past the call (the file "go" appears), then records its argument.
    char folder[] = "/tmp/parfelle-web-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    const std::string script = dir + "/xdg-open";
    std::FILE* f = std::fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f,
                 "#!/bin/sh\n"
                 "for i in $(seq 400); do [ -e '%s/go' ] && break; sleep 0.05; done\n"
                 "if [ -e '%s/go' ]; then echo \"$1\" > '%s/opened.tmp'; else echo waited > '%s/opened.tmp'; fi\n"
                 "mv '%s/opened.tmp' '%s/opened'\n",
                 folder, folder, folder, folder, folder, folder);
    std::fclose(f);
    chmod(script.c_str(), 0755);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir + ":" + savedPath).c_str(), 1);

    platform::openWebPage("https://example.org/parfelle?a=1&b=2");
    setenv("PATH", savedPath.c_str(), 1);
    // Back here while the launcher still waits: tell it to go on.
    std::fclose(std::fopen((dir + "/go").c_str(), "w"));

    std::string opened;
    support::waitUntil([&] {
        if (std::FILE* in = std::fopen((dir + "/opened").c_str(), "r")) {
            char line[256] = {};
            if (std::fgets(line, sizeof line, in)) opened = line;
            std::fclose(in);
        }
        return !opened.empty();
    });
    EXPECT_EQ(opened, "https://example.org/parfelle?a=1&b=2\n");
    for (const char* name : {"/xdg-open", "/go", "/opened"}) std::remove((dir + name).c_str());
    rmdir(folder);
}
#endif

}  // namespace
