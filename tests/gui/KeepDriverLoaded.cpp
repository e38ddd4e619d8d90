// Under AddressSanitizer on X11: Mesa's software driver keeps allocations
// reachable only from its own globals and is unloaded whenever the last
// connection using it closes. The leak checker would then blame those
// allocations on us; and after many loads and unloads the check at exit
// has crashed in its tracer ("Tracer caught signal 11"), seen once in the
// editor's tests. One connection with the driver loaded, kept until the
// process ends, keeps it loaded throughout.
#if defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)
#include <gtest/gtest.h>

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

class KeepDriverLoaded : public ::testing::Environment
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

const auto* const keepDriverLoaded = ::testing::AddGlobalTestEnvironment(new KeepDriverLoaded);

}  // namespace
#endif
