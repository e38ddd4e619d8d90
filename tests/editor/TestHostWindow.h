// A host's top-level window for the editor to open its child window in (an
// X top-level window, or a Win32 pop-up under Wine), and on X11 what the
// server shows of a window inside it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#include <X11/Xutil.h>
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
