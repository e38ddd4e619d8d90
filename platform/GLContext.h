// The render thread's OpenGL contexts: the main one, double-buffered, on
// the editor's child window, and where the system has one, a context of
// its own that draws into an image in memory (the static background).
//
// Failures of system calls are shown with showError (the system's text) and
// set-up carries on with what it has, so an editor without OpenGL still
// opens. Windows: WGL on the window's device context and on a 32-bit DIB
// section. Linux: GLX on a connection of the render thread's own; no image
// context (the caller draws into a framebuffer object instead).
//
// Threads: the render thread alone, from create to destruction.
#pragma once

#include <memory>

namespace platform {

class GLContext
{
public:
    // The main context on window (ChildWindow::handle()), made current.
    // Never null; whether it became current is in current().
    static std::unique_ptr<GLContext> create(void* window);
    // Makes no context current, then deletes the image context, its
    // surface and the main context and lets go of the window.
    virtual ~GLContext() = default;

    // Whether the main context exists and was current at the last
    // makeCurrent (or create).
    virtual bool current() const = 0;
    virtual bool makeCurrent() = 0;
    virtual void swapBuffers() = 0;
    virtual void doneCurrent() = 0;

    // Makes a context current that draws into a width x height image in
    // memory, made on the first call. False when the system has none or it
    // failed (the main context is then current again).
    virtual bool beginImage(int width, int height) = 0;
    // Finishes the image's drawing and makes the main context current again.
    // The pixels: rows bottom first, four bytes each in the order blue,
    // green, red, unused; null without an image context. They stay valid
    // until the context is destroyed.
    virtual const unsigned char* endImage() = 0;

protected:
    GLContext() = default;
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;
};

}  // namespace platform
