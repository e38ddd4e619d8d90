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
// Threads: the render thread alone, from create to destruction (drawImage's
// draw runs on a thread of its own while the render thread waits for it).
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

    // Draws a width x height image in memory with a context of its own:
    // draw(argument) runs with that context current, on a short-lived thread
    // of its own, while the caller waits. (Under Wine a thread that has once
    // had a bitmap context current never shows its window context's frames
    // again, and its later drawing lands in the bitmap.) The pixels: rows
    // bottom first, four bytes each in the order blue, green, red, unused;
    // valid until the context is destroyed. Null when the system has no
    // such context or it failed; draw has not run then. The main context
    // stays current throughout. Called once.
    using DrawImage = void (*)(void* argument);
    virtual const unsigned char* drawImage(int width, int height, DrawImage draw, void* argument) = 0;

protected:
    GLContext() = default;
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;
};

}  // namespace platform
