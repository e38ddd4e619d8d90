// GLX on a connection the render thread opens for itself: Xlib is never
// told about threads, so no two threads may share a connection.
#include "platform/GLContext.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

#include "platform/SystemServices.h"
#include "platform/x11/LastError.h"
#include "platform/x11/XConnection.h"

namespace platform {

namespace {

class GlxContext final : public GLContext
{
public:
    explicit GlxContext(Window window) : window_(window)
    {
        display_ = openConnection();
        if (!display_) {
            report("cannot open the X display");
            return;
        }
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window_, &attributes)) {
            report("the editor's window does not exist");
            return;
        }
        // The context must match the visual the window was made with.
        XVisualInfo wanted{};
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        int count = 0;
        XVisualInfo* visual = XGetVisualInfo(display_, VisualIDMask, &wanted, &count);
        if (!visual || count < 1) {
            report("the editor's window has no visual");
            return;
        }
        // The host may destroy its window, and ours with it, while we draw:
        // the destruction is announced on this connection too.
        XSelectInput(display_, window_, StructureNotifyMask);
        errorsBefore_ = swallowedErrors(display_);
        context_ = glXCreateContext(display_, visual, nullptr, True);
        XFree(visual);
        if (!context_) {
            report("the window's visual has no OpenGL context");
            return;
        }
        if (!makeCurrent()) report("cannot make the OpenGL context current");
    }

    ~GlxContext() override
    {
        if (!display_) return;
        if (context_) {
            glXMakeCurrent(display_, None, nullptr);
            glXDestroyContext(display_, context_);
        }
        XSync(display_, False);
        closeConnection(display_);
    }

    bool current() const override { return current_; }

    bool makeCurrent() override
    {
        if (!context_ || windowGone()) {
            if (current_) glXMakeCurrent(display_, None, nullptr);
            current_ = false;
            return false;
        }
        current_ = glXMakeCurrent(display_, window_, context_);
        return current_;
    }

    void swapBuffers() override
    {
        if (current_ && !windowGone()) glXSwapBuffers(display_, window_);
    }

    void doneCurrent() override
    {
        if (display_) glXMakeCurrent(display_, None, nullptr);
        current_ = false;
    }

    // GLX pixmaps and pbuffers are unreliable here: the caller uses a
    // framebuffer object of the main context.
    const unsigned char* drawImage(int, int, DrawImage, void*) override { return nullptr; }

private:
    // Mesa's software rasteriser corrupts its heap when it draws for a
    // window that no longer exists, so drawing stops as soon as the window's
    // destruction, or any error about it, reaches this connection.
    bool windowGone()
    {
        if (gone_) return true;
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == DestroyNotify && event.xdestroywindow.window == window_) gone_ = true;
        }
        if (swallowedErrors(display_) != errorsBefore_) gone_ = true;
        return gone_;
    }

    static void report(const char* text)
    {
        setLastErrorText(text);
        showError(lastErrorText(), true);
    }

    Display* display_ = nullptr;
    Window window_;
    GLXContext context_ = nullptr;
    unsigned long errorsBefore_ = 0;
    bool current_ = false;
    bool gone_ = false;
};

}  // namespace

std::unique_ptr<GLContext> GLContext::create(void* window)
{
    return std::unique_ptr<GLContext>(new GlxContext(static_cast<Window>(reinterpret_cast<uintptr_t>(window))));
}

}  // namespace platform
