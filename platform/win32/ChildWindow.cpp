// The editor's window on Windows: a child of the host's window with the
// editors' window class. A press starts a modal loop that pumps the host
// window's messages until a button comes up, with the mouse captured by the
// host window (whose client origin is the child's).
#include "platform/ChildWindow.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/ModuleInstance.h"

namespace platform {

namespace {

char className[64] = {};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class Win32ChildWindow final : public ChildWindow
{
public:
    Win32ChildWindow(HWND hwnd, WindowInput* input) : hwnd_(hwnd), input_(input)
    {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    ~Win32ChildWindow() override
    {
        // The host may have destroyed its window, and ours with it, already.
        if (destroyed_) *destroyed_ = true;
        if (IsWindow(hwnd_)) {
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
    }

    void* handle() const override { return hwnd_; }
    void processEvents() override {}

    WindowInput* input() const { return input_; }

    // A button went down over the window.
    void trackDrag(int x, int y)
    {
        int modifiers = pollModifiers();
        if (!input_->pointerPressed(x, y, modifiers)) return;
        HWND parent = GetParent(hwnd_);
        SetCapture(parent);
        bool destroyed = false;
        destroyed_ = &destroyed;
        bool quit = false;
        WPARAM quitCode = 0;
        for (;;) {
            int px = 0, py = 0, now = modifiers;
            const int kind = pumpDragMessages(parent, modifiers, px, py, now, quit, quitCode);
            if (destroyed) break;
            if (kind == kDragModifiersChanged) modifiers = now;
            if (!input_->dragEvent(kind, px, py, modifiers)) break;
        }
        ReleaseCapture();
        // The host's loop still gets its quit request, after the drag.
        if (quit) PostQuitMessage(static_cast<int>(quitCode));
        if (destroyed) return;  // the editor is gone, and with it the gesture
        destroyed_ = nullptr;
        input_->dragEnded();
    }

private:
    // Waits for the next pointer message of the drag; other messages of the
    // host window are dispatched as usual. Pointer messages are consumed.
    int pumpDragMessages(HWND parent, int modifiers, int& x, int& y, int& now, bool& quit, WPARAM& quitCode)
    {
        MSG message;
        for (;;) {
            const BOOL got = GetMessageA(&message, parent, 0, 0);
            if (got == 0) {
                quit = true;
                quitCode = message.wParam;
                return kDragMoved;
            }
            if (got == -1) return kDragFailed;
            TranslateMessage(&message);
            switch (message.message) {
            case WM_MOUSEMOVE:
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
                x = static_cast<short>(LOWORD(message.lParam));
                y = static_cast<short>(HIWORD(message.lParam));
                now = pollModifiers();
                return now != modifiers ? kDragModifiersChanged : kDragMoved;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
            case WM_MBUTTONUP:
                x = static_cast<short>(LOWORD(message.lParam));
                y = static_cast<short>(HIWORD(message.lParam));
                return kDragReleased;
            default:
                DispatchMessageA(&message);
                break;
            }
        }
    }

    HWND hwnd_;
    WindowInput* input_;
    bool* destroyed_ = nullptr;  // set while a drag runs: the host may close the editor from a dispatched message
};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<Win32ChildWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcA(hwnd, message, wParam, lParam);
    const int x = LOWORD(lParam);
    const int y = HIWORD(lParam);
    switch (message) {
    case WM_MOUSEMOVE:
        window->input()->pointerMoved(x, y);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // All three buttons alike.
        window->trackDrag(x, y);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace

std::unique_ptr<ChildWindow> ChildWindow::create(void* parent, int left, int top, int width, int height,
                                                 WindowInput* input)
{
    HWND hwnd = CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                left, top, width, height, static_cast<HWND>(parent), nullptr, moduleInstance(),
                                nullptr);
    if (!hwnd) return nullptr;
    return std::unique_ptr<ChildWindow>(new Win32ChildWindow(hwnd, input));
}

void registerWindowClass()
{
    std::snprintf(className, sizeof className, "parfelle%p", static_cast<void*>(moduleInstance()));
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC | CS_GLOBALCLASS;  // no CS_DBLCLKS: a double click is two presses
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = moduleInstance();
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

void unregisterWindowClass() { UnregisterClassA(className, moduleInstance()); }

const char* windowClassName() { return className; }

int pollModifiers()
{
    int flags = 0;
    if (GetAsyncKeyState(VK_MENU) < 0) flags |= kModifierAlt;
    if (GetAsyncKeyState(VK_SHIFT) < 0) flags |= kModifierShift;
    if (GetAsyncKeyState(VK_CONTROL) < 0) flags |= kModifierControl;
    return flags;
}

}  // namespace platform
