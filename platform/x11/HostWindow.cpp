// The host's window on X11, on a connection of its own. No window manager
// need run: the window asks for a fixed size itself, and closing it arrives
// as WM_DELETE_WINDOW when a manager does run.
#include "platform/HostWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <cstdint>

#include "platform/x11/XConnection.h"

namespace platform {

namespace {

// A colour channel of a TrueColor pixel, scaled to 8 bits.
uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1ul)) {
        mask >>= 1;
        ++shift;
    }
    const unsigned long value = (pixel >> shift) & mask;
    return static_cast<uint8_t>((value * 255ul + mask / 2) / mask);
}

class X11HostWindow final : public HostWindow
{
public:
    X11HostWindow(Display* display, Window window, Atom deleteWindow, int width, int height)
        : display_(display), window_(window), deleteWindow_(deleteWindow), width_(width), height_(height)
    {
    }

    ~X11HostWindow() override
    {
        if (open_) XDestroyWindow(display_, window_);
        XSync(display_, False);
        closeConnection(display_);
    }

    void* handle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window_)); }

    bool processEvents() override
    {
        while (open_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == ClientMessage && event.xclient.window == window_ &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) {
                // The editor goes before its parent: the host closes it once
                // it sees false, then this window is destroyed.
                open_ = false;
            } else if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
                open_ = false;
                destroyed_ = true;
            }
        }
        return open_;
    }

    void raise() override
    {
        if (!open_) return;
        XRaiseWindow(display_, window_);
        XFlush(display_);
    }

    bool capture(Screenshot& picture, std::string& error) override
    {
        if (destroyed_) {
            error = "the window is gone";
            return false;
        }
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window_, &attributes)) {
            error = "cannot read the window's attributes";
            return false;
        }
        if (attributes.visual->c_class != TrueColor) {
            error = "the window's visual is not TrueColor";
            return false;
        }
        // The server fills the image from the screen, child windows of the
        // same depth included (the editor's OpenGL window among them).
        const unsigned long errorsBefore = swallowedErrors(display_);
        XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(width_),
                                  static_cast<unsigned>(height_), AllPlanes, ZPixmap);
        if (!image || swallowedErrors(display_) != errorsBefore) {
            if (image) XDestroyImage(image);
            error = "the X server would not give the window's pixels (is it on the screen?)";
            return false;
        }
        picture.width = width_;
        picture.height = height_;
        picture.rgb.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
        uint8_t* out = picture.rgb.data();
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                *out++ = channel(pixel, attributes.visual->red_mask);
                *out++ = channel(pixel, attributes.visual->green_mask);
                *out++ = channel(pixel, attributes.visual->blue_mask);
            }
        }
        XDestroyImage(image);
        return true;
    }

private:
    Display* display_;
    Window window_;
    Atom deleteWindow_;
    int width_;
    int height_;
    bool open_ = true;
    bool destroyed_ = false;
};

}  // namespace

std::unique_ptr<HostWindow> HostWindow::create(const std::string& title, int width, int height, std::string& error)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
        error = "the window size " + std::to_string(width) + " x " + std::to_string(height) + " is not usable";
        return nullptr;
    }
    Display* display = openConnection();
    if (!display) {
        error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWBackPixel | CWEventMask, &attributes);

    XStoreName(display, window, title.c_str());
    // The UTF-8 title, for window managers that read only that.
    const Atom utf8Name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, utf8Name, utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));

    // Which process the window is, for tools that look windows up by it.
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    // An editor has one size: say so, so a manager does not stretch it.
    if (XSizeHints* hints = XAllocSizeHints()) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);

    const unsigned long errorsBefore = swallowedErrors(display);
    XMapWindow(display, window);
    XSync(display, False);
    if (swallowedErrors(display) != errorsBefore) {
        error = "the X server refused the host's window";
        XDestroyWindow(display, window);
        closeConnection(display);
        return nullptr;
    }
    return std::unique_ptr<HostWindow>(new X11HostWindow(display, window, deleteWindow, width, height));
}

}  // namespace platform
