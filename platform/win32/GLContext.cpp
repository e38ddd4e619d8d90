// WGL on the editor's child window, and a bitmap context for the static
// background, used on a thread of its own. The bitmap is a 32-bit DIB
// section: Wine renders a 24-bit one with red and blue swapped in about half
// of the pixels.
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

    const unsigned char* drawImage(int width, int height, DrawImage draw, void* argument) override
    {
        if (imageTried_) return nullptr;
        imageTried_ = true;
        ImageJob job{this, width, height, draw, argument, false};
        HANDLE thread = CreateThread(nullptr, 0, imageThread, &job, 0, nullptr);
        if (!thread) {
            report();
            return nullptr;
        }
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        return job.drawn ? static_cast<const unsigned char*>(pixels_) : nullptr;
    }

private:
    struct ImageJob
    {
        WglContext* self;
        int width, height;
        DrawImage draw;
        void* argument;
        bool drawn;
    };

    static DWORD WINAPI imageThread(void* parameter)
    {
        ImageJob& job = *static_cast<ImageJob*>(parameter);
        job.drawn = job.self->drawOnThisThread(job);
        return 0;
    }

    // The bitmap context lives and dies on the image thread; the DIB
    // section, holding the pixels, stays until the destructor.
    bool drawOnThisThread(const ImageJob& job)
    {
        createSurface(job.width, job.height);
        if (!bitmapDC_ || !pixels_) return false;
        setFormat(bitmapDC_, describeFormat(PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL, 32, 0));
        HGLRC context = wglCreateContext(bitmapDC_);
        if (!context) {
            report();
            return false;
        }
        const bool current = wglMakeCurrent(bitmapDC_, context);
        if (!current) {
            report();
        } else {
            job.draw(job.argument);
            glFinish();
            wglMakeCurrent(nullptr, nullptr);
        }
        wglDeleteContext(context);
        return current;
    }

    void createSurface(int width, int height)
    {
        bitmapDC_ = CreateCompatibleDC(nullptr);
        if (!bitmapDC_) {
            report();
            return;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;  // positive: rows bottom first, as OpenGL has them
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(bitmapDC_, &info, DIB_RGB_COLORS, &pixels_, nullptr, 0);
        if (!bitmap_ || !pixels_) {
            report();
            pixels_ = nullptr;
            return;
        }
        previousBitmap_ = SelectObject(bitmapDC_, bitmap_);
        if (!previousBitmap_) {
            report();
            pixels_ = nullptr;
        }
    }

    HWND window_;
    HDC windowDC_ = nullptr;
    HGLRC context_ = nullptr;
    HDC bitmapDC_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    void* pixels_ = nullptr;
    bool imageTried_ = false;
    bool current_ = false;
};

}  // namespace

std::unique_ptr<GLContext> GLContext::create(void* window)
{
    return std::unique_ptr<GLContext>(new WglContext(static_cast<HWND>(window)));
}

}  // namespace platform
