// A host's top-level window for the editor to open its child window in (an
// X top-level window, or a Win32 pop-up under Wine), the user's pointer over
// it, and on X11 what the server shows of a window inside it.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#endif

namespace test_host {

using Pixel = std::array<int, 3>;

// The host's window.
class HostWindow
{
public:
    HostWindow()
    {
#ifdef _WIN32
        static const ATOM atom = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "ParfelleTestHost";
            return RegisterClassA(&windowClass);
        }();
        if (atom)
            window_ = CreateWindowExA(0, "ParfelleTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 800, 400,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
#else
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 800, 400, 0, 0, 0);
        XMapWindow(display_, window_);
        XSync(display_, False);
#endif
    }

    ~HostWindow()
    {
        destroy();
#ifndef _WIN32
        if (display_) XCloseDisplay(display_);
#endif
    }

    bool ok() const { return window_ != 0; }
#ifdef _WIN32
    void* handle() const { return window_; }
#else
    void* handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window_)); }
#endif

    // The host closing its window before the editor.
    void destroy()
    {
        if (!window_) return;
#ifdef _WIN32
        DestroyWindow(window_);
        window_ = nullptr;
#else
        XDestroyWindow(display_, window_);
        XSync(display_, False);
        window_ = 0;
#endif
    }

    // The user presses the left button at (x, y) (pixels from the editor's
    // top-left corner; the editor sits at the window's), moves through path
    // and lets go at its last point. Linux: through XTest, so the X server
    // hands it to the editor's window as a user's hand would; the editor
    // takes it in its idle calls. Windows: the messages the system would
    // post (the press to the editor's window, the rest to the host's, which
    // the drag captures); pumpMessages() then runs the drag loop.
    bool drag(void* editorWindow, int x, int y, const std::vector<std::pair<int, int>>& path)
    {
        if (!window_ || path.empty()) return false;
#ifdef _WIN32
        // The system's own cursor stays away: it would add moves of its own.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        HWND child = static_cast<HWND>(editorWindow);
        PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x & 0xffff, y & 0xffff));
        for (const auto& p : path)
            PostMessageA(window_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.first & 0xffff, p.second & 0xffff));
        PostMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(path.back().first & 0xffff, path.back().second & 0xffff));
        return true;
#else
        (void)editorWindow;
        int eventBase, errorBase, major, minor;
        if (!XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor)) return false;
        int originX = 0, originY = 0;
        Window child;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, &originX, &originY, &child);
        const int screen = DefaultScreen(display_);
        XTestFakeMotionEvent(display_, screen, originX + x, originY + y, 0);
        XSync(display_, False);
        XTestFakeButtonEvent(display_, 1, True, 0);
        XSync(display_, False);
        for (const auto& p : path) {
            XTestFakeMotionEvent(display_, screen, originX + p.first, originY + p.second, 0);
            XSync(display_, False);
        }
        XTestFakeButtonEvent(display_, 1, False, 0);
        XSync(display_, False);
        return true;
#endif
    }

    // Windows: the host's message loop, until its queue is empty.
    void pumpMessages()
    {
#ifdef _WIN32
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
#endif
    }

#ifndef _WIN32
    // What the X server shows in window (the editor's child), RGB per
    // pixel, rows from the bottom as OpenGL counts them; empty on failure.
    std::vector<Pixel> screenshot(void* window, int width, int height)
    {
        std::vector<Pixel> pixels;
        XImage* image = XGetImage(display_, static_cast<Window>(reinterpret_cast<uintptr_t>(window)), 0, 0,
                                  static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
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
#endif

private:
#ifdef _WIN32
    HWND window_ = nullptr;
#else
    Display* display_ = nullptr;
    Window window_ = 0;
#endif
};

}  // namespace test_host
