#include "TestGLContext.h"

#include <GL/glew.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <GL/glx.h>
#include <X11/Xlib.h>
#endif

struct TestGLContext::Impl
{
    std::string error;
    GLuint framebuffer = 0, colour = 0, depth = 0;
    bool current = false;
#ifdef _WIN32
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
#else
    Display* display = nullptr;
    Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
#endif

    bool createSystemContext(int width, int height);
    void makeCurrent();
    void destroySystemContext();
    bool createFramebuffer(int width, int height);
};

#ifdef _WIN32

namespace {
const char* const kClassName = "ParfelleTestGLContext";

ATOM registerClassOnce()
{
    static ATOM atom = [] {
        WNDCLASSA wc{};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc);
    }();
    return atom;
}
}  // namespace

bool TestGLContext::Impl::createSystemContext(int width, int height)
{
    if (!registerClassOnce()) {
        error = "RegisterClassA failed";
        return false;
    }
    // Never shown: the test draws into its own framebuffer object.
    window = CreateWindowExA(0, kClassName, "test", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        error = "CreateWindowExA failed";
        return false;
    }
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) {
        error = "no pixel format";
        return false;
    }
    context = wglCreateContext(dc);
    if (!context) {
        error = "wglCreateContext failed";
        return false;
    }
    makeCurrent();
    return current;
}

void TestGLContext::Impl::makeCurrent() { current = context && wglMakeCurrent(dc, context); }

void TestGLContext::Impl::destroySystemContext()
{
    if (context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    if (dc) ReleaseDC(window, dc);
    if (window) DestroyWindow(window);
}

#else

namespace {
// One connection with GLX set up stays open for the whole test program, so
// Mesa keeps its driver loaded between contexts: unloading it with memory
// still allocated would show in leak checks as leaks of an unknown module.
void keepGLDriverLoaded()
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
const bool driverKept = (keepGLDriverLoaded(), true);
}  // namespace

bool TestGLContext::Impl::createSystemContext(int width, int height)
{
    keepGLDriverLoaded();
    display = XOpenDisplay(nullptr);
    if (!display) {
        error = "cannot open the X display (is DISPLAY set?)";
        return false;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) {
        error = "no GLX visual";
        return false;
    }
    const Window rootWindow = RootWindow(display, visual->screen);
    colormap = XCreateColormap(display, rootWindow, visual->visual, AllocNone);
    XSetWindowAttributes set{};
    set.colormap = colormap;
    set.border_pixel = 0;
    // Never mapped: the test draws into its own framebuffer object.
    window = XCreateWindow(display, rootWindow, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                           0, visual->depth, InputOutput, visual->visual, CWColormap | CWBorderPixel, &set);
    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (!context) {
        error = "glXCreateContext failed";
        return false;
    }
    makeCurrent();
    return current;
}

void TestGLContext::Impl::makeCurrent() { current = context && glXMakeCurrent(display, window, context); }

void TestGLContext::Impl::destroySystemContext()
{
    if (!display) return;
    if (context) {
        glXMakeCurrent(display, None, nullptr);
        glXDestroyContext(display, context);
    }
    if (window) XDestroyWindow(display, window);
    if (colormap) XFreeColormap(display, colormap);
    XCloseDisplay(display);
}

#endif

bool TestGLContext::Impl::createFramebuffer(int width, int height)
{
    if (glewInit() != GLEW_OK) {
        error = "glewInit failed";
        return false;
    }
    if (!glGenFramebuffers || !glBindFramebuffer || !glGenRenderbuffers || !glFramebufferRenderbuffer) {
        error = "no framebuffer objects";
        return false;
    }
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "framebuffer incomplete";
        return false;
    }
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

TestGLContext::TestGLContext(int width, int height) : width_(width), height_(height), impl_(new Impl)
{
    if (width <= 0 || height <= 0) {
        impl_->error = "empty size";
        return;
    }
    if (!impl_->createSystemContext(width, height)) {
        if (impl_->error.empty()) impl_->error = "cannot make the context current";
        impl_->current = false;
        return;
    }
    if (!impl_->createFramebuffer(width, height)) impl_->current = false;
}

TestGLContext::~TestGLContext()
{
    if (impl_->current) {
        if (impl_->framebuffer) glDeleteFramebuffers(1, &impl_->framebuffer);
        if (impl_->colour) glDeleteRenderbuffers(1, &impl_->colour);
        if (impl_->depth) glDeleteRenderbuffers(1, &impl_->depth);
    }
    impl_->destroySystemContext();
}

bool TestGLContext::ok() const { return impl_->current; }

const char* TestGLContext::error() const { return impl_->error.c_str(); }

void TestGLContext::makeCurrent()
{
    impl_->makeCurrent();
    if (impl_->current) glBindFramebuffer(GL_FRAMEBUFFER, impl_->framebuffer);
}

std::vector<unsigned char> TestGLContext::readPixels() const
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
    if (!ok()) return pixels;
    glFinish();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::array<unsigned char, 4> TestGLContext::pixel(int x, int y) const
{
    std::array<unsigned char, 4> rgba{};
    if (!ok() || x < 0 || y < 0 || x >= width_ || y >= height_) return rgba;
    glFinish();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
