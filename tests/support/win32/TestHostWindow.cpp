#include "support/TestHostWindow.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "gui/UIWindow.h"
#include "platform/ChildWindow.h"

namespace support {

namespace {

// ---- a top-level window of this thread and window messages -------------

constexpr UINT kKeyMessage = WM_APP + 1;      // wParam: virtual key, lParam: 1 down, 0 up
constexpr UINT kDestroyMessage = WM_APP + 2;  // the host destroys its window
constexpr UINT kCallMessage = WM_APP + 3;     // wParam: the action

// The host's message loop, until this thread's queue is empty.
void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

struct HostWindow::Impl
{
    HWND parent = nullptr;
    HostWindow* host = nullptr;
    int lastX = 0, lastY = 0;  // where the pointer is
    bool pressedKeys = false;  // the script has pressed keys since the window opened

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

HostWindow::HostWindow(int width, int height) : impl_(new Impl)
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
        pumpMessages();
        if (GetFocus() == impl_->parent && i >= 5) break;
        Sleep(10);
    }
}

HostWindow::~HostWindow()
{
    destroy();
    if (!impl_->pressedKeys) return;
    // Keys the script left down go up again.
    for (WORD key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}

bool HostWindow::ok() const { return impl_->parent != nullptr; }
void* HostWindow::handle() const { return impl_->parent; }

void HostWindow::destroy()
{
    if (impl_->parent) DestroyWindow(impl_->parent);
    impl_->parent = nullptr;
}

void HostWindow::deliverTo(const std::function<HD::UIWindow*()>& current, const std::function<bool()>& done)
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
            impl_->pressedKeys = true;
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
    // A press runs the drag loop inside the host's message loop, which
    // takes the queued pointer messages as they come.
    pumpMessages();
    (void)done;
}

void HostWindow::perform(HD::UIWindow* window) { deliver(window); }

// Under Wine, GDI does not see what OpenGL drew in a child window.
bool HostWindow::readsBackWindows() { return false; }

std::vector<Pixel> HostWindow::screenshot(void*, int, int) { return {}; }

bool HostWindow::exists(void* window) { return IsWindow(static_cast<HWND>(window)) != 0; }
void* HostWindow::systemParentOf(void* window) { return GetParent(static_cast<HWND>(window)); }
HostWindow::Placement HostWindow::placementOf(void* window)
{
    HWND hwnd = static_cast<HWND>(window);
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    MapWindowPoints(hwnd, GetParent(hwnd), &origin, 1);
    return {origin.x, origin.y, client.right - client.left, client.bottom - client.top};
}

void* programModule() { return GetModuleHandleA(nullptr); }

std::optional<bool> windowClassRegistered(const char* name)
{
    WNDCLASSA wc{};
    return GetClassInfoA(GetModuleHandleA(nullptr), name, &wc) != 0;
}

void expectEditorChildWindow(void* window, const std::string& className)
{
    HWND hwnd = static_cast<HWND>(window);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
    char text[64] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, "Window");
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    EXPECT_EQ(std::string(name), className);
}

}  // namespace support
