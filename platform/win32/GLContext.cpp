// WGL on the editor's child window, and a bitmap context for the static
// background. The bitmap is a 32-bit DIB section: Wine renders a 24-bit one
// with red and blue swapped in about half of the pixels.
#include "platform/GLContext.h"

#include <windows.h>

#include <GL/gl.h>

#include "platform/SystemServices.h"

namespace platform {

namespace {

void report() { showError(lastErrorText(), true); }

PIXELFORMATDESCRIPTOR describeFormat(DWORD flags, BYTE colourBits, BYTE depthBits)
{
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = flags;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = colourBits;
    format.cDepthBits = depthBits;
    format.iLayerType = PFD_MAIN_PLANE;
    return format;
}

// Chooses and sets a format on dc; each failing step is reported.
void setFormat(HDC dc, const PIXELFORMATDESCRIPTOR& format)
{
    const int chosen = ChoosePixelFormat(dc, &format);
    if (!chosen)
        report();
    else if (!SetPixelFormat(dc, chosen, &format))
        report();
}

class WglContext final : public GLContext
{
public:
    explicit WglContext(HWND window) : window_(window)
    {
        windowDC_ = GetDC(window_);
        if (!windowDC_) report();
        // A window keeps its format for life: an editor whose render thread
        // is started again finds it set already.
        if (!windowDC_ || !GetPixelFormat(windowDC_))
            setFormat(windowDC_, describeFormat(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, 24, 16));
        context_ = wglCreateContext(windowDC_);
        if (!context_) report();
        if (!makeCurrent()) report();
    }

    ~WglContext() override
    {
        wglMakeCurrent(nullptr, nullptr);
        if (bitmapContext_) wglDeleteContext(bitmapContext_);
        if (bitmapDC_) {
            if (previousBitmap_) SelectObject(bitmapDC_, previousBitmap_);
            DeleteDC(bitmapDC_);
        }
        if (bitmap_) DeleteObject(bitmap_);
        if (context_) wglDeleteContext(context_);
        if (windowDC_) ReleaseDC(window_, windowDC_);
    }

    bool current() const override { return current_; }

    bool makeCurrent() override
    {
        // The host may have destroyed its window, and ours with it.
        current_ = context_ && IsWindow(window_) && wglMakeCurrent(windowDC_, context_);
        return current_;
    }

    void swapBuffers() override
    {
        if (current_) SwapBuffers(windowDC_);
    }

    void doneCurrent() override
    {
        wglMakeCurrent(nullptr, nullptr);
        current_ = false;
    }

    bool beginImage(int width, int height) override
    {
        if (!imageTried_) {
            imageTried_ = true;
            createImage(width, height);
        }
        if (!bitmapContext_ || !pixels_ || !wglMakeCurrent(bitmapDC_, bitmapContext_)) {
            makeCurrent();
            return false;
        }
        return true;
    }

    const unsigned char* endImage() override
    {
        glFlush();
        makeCurrent();
        return bitmapContext_ ? static_cast<const unsigned char*>(pixels_) : nullptr;
    }

private:
    void createImage(int width, int height)
    {
        bitmapDC_ = CreateCompatibleDC(nullptr);
        if (!bitmapDC_) report();
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;  // positive: rows bottom first, as OpenGL has them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(bitmapDC_, &info, DIB_RGB_COLORS, &pixels_, nullptr, 0);
        if (!bitmap_ || !pixels_) report();
        if (bitmap_) {
            previousBitmap_ = SelectObject(bitmapDC_, bitmap_);
            if (!previousBitmap_) report();
        }
        setFormat(bitmapDC_, describeFormat(PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL, 32, 0));
        bitmapContext_ = wglCreateContext(bitmapDC_);
        if (!bitmapContext_) report();
    }

    HWND window_;
    HDC windowDC_ = nullptr;
    HGLRC context_ = nullptr;
    HDC bitmapDC_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    void* pixels_ = nullptr;
    HGLRC bitmapContext_ = nullptr;
    bool imageTried_ = false;
    bool current_ = false;
};

}  // namespace

std::unique_ptr<GLContext> GLContext::create(void* window)
{
    return std::unique_ptr<GLContext>(new WglContext(static_cast<HWND>(window)));
}

}  // namespace platform
