#include "support/SystemGL.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdint>

namespace support::system_gl {

namespace {
// One connection with GLX set up stays open for the whole test program, so
// Mesa keeps its driver loaded between contexts: unloading it with memory
// still allocated would show in leak checks as leaks of an unknown module.
void keepDriverLoaded()
{
    static Display* const keeper = [] {
        Display* display = XOpenDisplay(nullptr);
        if (display) {
            int attributes[] = {GLX_RGBA, None};
            if (XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes)) XFree(visual);
        }
        return display;
    }();
    (void)keeper;
}
// From the program's start: the window tests' own connections load the
// driver too.
const bool driverKept = (keepDriverLoaded(), true);

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer, a context as well, made once the tests start and
// kept until the process ends: Mesa's software driver keeps allocations
// reachable only from its own globals, and after many loads and unloads
// the leak check at exit has crashed in its tracer ("Tracer caught signal
// 11").
class KeepContext : public ::testing::Environment
{
public:
    void SetUp() override
    {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        int attributes[] = {GLX_RGBA, None};
        if (XVisualInfo* visual = glXChooseVisual(display_, DefaultScreen(display_), attributes)) {
            context_ = glXCreateContext(display_, visual, nullptr, True);
            XFree(visual);
        }
    }

private:
    Display* display_ = nullptr;
    GLXContext context_ = nullptr;
};

const auto* const keepContext = ::testing::AddGlobalTestEnvironment(new KeepContext);
#endif
}  // namespace

struct Surface
{
    Display* display = nullptr;
    Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
};

Surface* create(void* parent, int left, int top, int width, int height, std::string& error)
{
    keepDriverLoaded();
    auto* surface = new Surface;
    Display* display = surface->display = XOpenDisplay(nullptr);
    if (!display) {
        error = "cannot open the X display (is DISPLAY set?)";
        destroy(surface);
        return nullptr;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) {
        error = "no GLX visual";
        destroy(surface);
        return nullptr;
    }
    const Window root = RootWindow(display, visual->screen);
    const Window owner = parent ? static_cast<Window>(reinterpret_cast<uintptr_t>(parent)) : root;
    surface->colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes set{};
    set.colormap = surface->colormap;
    set.border_pixel = 0;
    surface->window = XCreateWindow(display, owner, left, top, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, visual->depth, InputOutput, visual->visual,
                                    CWColormap | CWBorderPixel, &set);
    if (parent) {
        XMapWindow(display, surface->window);
        XSync(display, False);
    }
    surface->context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (!surface->context) {
        error = "glXCreateContext failed";
        destroy(surface);
        return nullptr;
    }
    return surface;
}

bool makeCurrent(Surface* surface)
{
    return surface && surface->context && glXMakeCurrent(surface->display, surface->window, surface->context);
}

void present(Surface* surface)
{
    glXSwapBuffers(surface->display, surface->window);
    glFinish();
    XSync(surface->display, False);
}

void destroy(Surface* surface)
{
    if (!surface) return;
    if (Display* display = surface->display) {
        if (surface->context) {
            glXMakeCurrent(display, None, nullptr);
            glXDestroyContext(display, surface->context);
        }
        if (surface->window) XDestroyWindow(display, surface->window);
        if (surface->colormap) XFreeColormap(display, surface->colormap);
        XCloseDisplay(display);
    }
    delete surface;
}

}  // namespace support::system_gl
