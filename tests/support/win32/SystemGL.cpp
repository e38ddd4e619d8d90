#include "support/SystemGL.h"

#include <windows.h>

#include <GL/gl.h>

namespace support::system_gl {

namespace {
const char* const kClassName = "ParfelleTestGLContext";

// A class of its own: nothing but OpenGL paints its windows.
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

struct Surface
{
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

Surface* create(void* parent, int left, int top, int width, int height, std::string& error)
{
    if (!registerClassOnce()) {
        error = "RegisterClassA failed";
        return nullptr;
    }
    auto* surface = new Surface;
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    surface->window = CreateWindowExA(0, kClassName, "test", style, left, top, width, height,
                                      static_cast<HWND>(parent), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!surface->window) {
        error = "CreateWindowExA failed";
        destroy(surface);
        return nullptr;
    }
    surface->dc = GetDC(surface->window);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(surface->dc, &pfd);
    if (!format || !SetPixelFormat(surface->dc, format, &pfd)) {
        error = "no pixel format";
        destroy(surface);
        return nullptr;
    }
    surface->context = wglCreateContext(surface->dc);
    if (!surface->context) {
        error = "wglCreateContext failed";
        destroy(surface);
        return nullptr;
    }
    return surface;
}

bool makeCurrent(Surface* surface) { return surface && surface->context && wglMakeCurrent(surface->dc, surface->context); }

void present(Surface* surface)
{
    SwapBuffers(surface->dc);
    glFinish();
}

void destroy(Surface* surface)
{
    if (!surface) return;
    if (surface->context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(surface->context);
    }
    if (surface->dc) ReleaseDC(surface->window, surface->dc);
    if (surface->window) DestroyWindow(surface->window);
    delete surface;
}

}  // namespace support::system_gl
