#include "support/TestHostWindow.h"

#include <windows.h>

namespace support {

struct HostWindow::Impl
{
    HWND window = nullptr;
};

HostWindow::HostWindow() : impl_(new Impl)
{
    static const ATOM atom = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ParfelleTestHost";
        return RegisterClassA(&windowClass);
    }();
    if (atom)
        impl_->window = CreateWindowExA(0, "ParfelleTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 800, 400,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HostWindow::~HostWindow() { destroy(); }

bool HostWindow::ok() const { return impl_->window != nullptr; }

void* HostWindow::handle() const { return impl_->window; }

void HostWindow::destroy()
{
    if (!impl_->window) return;
    DestroyWindow(impl_->window);
    impl_->window = nullptr;
}

bool HostWindow::drag(void* editorWindow, int x, int y, const std::vector<std::pair<int, int>>& path)
{
    HWND window = impl_->window;
    if (!window || path.empty()) return false;
    // The system's own cursor stays away: it would add moves of its own.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    HWND child = static_cast<HWND>(editorWindow);
    PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x & 0xffff, y & 0xffff));
    for (const auto& p : path)
        PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.first & 0xffff, p.second & 0xffff));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(path.back().first & 0xffff, path.back().second & 0xffff));
    return true;
}

void HostWindow::pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Under Wine, GDI does not see what OpenGL drew in a child window.
bool HostWindow::readsBackWindows() { return false; }

std::vector<Pixel> HostWindow::screenshot(void*, int, int) { return {}; }

}  // namespace support
