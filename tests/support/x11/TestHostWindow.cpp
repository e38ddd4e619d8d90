#include "support/TestHostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdint>

namespace support {

struct HostWindow::Impl
{
    Display* display = nullptr;
    Window window = 0;
};

HostWindow::HostWindow() : impl_(new Impl)
{
    Display* display = impl_->display = XOpenDisplay(nullptr);
    if (!display) return;
    impl_->window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 400, 0, 0, 0);
    XMapWindow(display, impl_->window);
    XSync(display, False);
}

HostWindow::~HostWindow()
{
    destroy();
    if (impl_->display) XCloseDisplay(impl_->display);
}

bool HostWindow::ok() const { return impl_->window != 0; }

void* HostWindow::handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(impl_->window)); }

void HostWindow::destroy()
{
    if (!impl_->window) return;
    XDestroyWindow(impl_->display, impl_->window);
    XSync(impl_->display, False);
    impl_->window = 0;
}

bool HostWindow::drag(void*, int x, int y, const std::vector<std::pair<int, int>>& path)
{
    Display* display = impl_->display;
    if (!impl_->window || path.empty()) return false;
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return false;
    int originX = 0, originY = 0;
    Window child;
    XTranslateCoordinates(display, impl_->window, DefaultRootWindow(display), 0, 0, &originX, &originY, &child);
    const int screen = DefaultScreen(display);
    XTestFakeMotionEvent(display, screen, originX + x, originY + y, 0);
    XSync(display, False);
    XTestFakeButtonEvent(display, 1, True, 0);
    XSync(display, False);
    for (const auto& p : path) {
        XTestFakeMotionEvent(display, screen, originX + p.first, originY + p.second, 0);
        XSync(display, False);
    }
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
    return true;
}

// The editor reads its own events in its idle calls.
void HostWindow::pumpMessages() {}

bool HostWindow::readsBackWindows() { return true; }

std::vector<Pixel> HostWindow::screenshot(void* window, int width, int height)
{
    std::vector<Pixel> pixels;
    XImage* image = XGetImage(impl_->display, static_cast<Window>(reinterpret_cast<uintptr_t>(window)), 0, 0,
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

}  // namespace support
