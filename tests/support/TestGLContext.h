// An OpenGL context for tests: current on the constructing thread, drawing
// offscreen into an RGBA framebuffer object of the given size (with a depth
// buffer), so GUI code can draw and the test can read back what it drew.
// Or, given a parent window, a visible child of it drawn to directly, as the
// editor's render thread draws its own.
//
// Linux: GLX on $DISPLAY (Xvfb with Mesa); Windows: WGL. GLEW is
// initialised in the offscreen context, as the render thread does.
#pragma once

#include <array>
#include <memory>
#include <vector>

class TestGLContext
{
public:
    explicit TestGLContext(int width, int height);
    TestGLContext(void* parent, int left, int top, int width, int height);
    ~TestGLContext();
    TestGLContext(const TestGLContext&) = delete;
    TestGLContext& operator=(const TestGLContext&) = delete;

    // False when no context could be made (no display, no FBO support);
    // why is in error().
    bool ok() const;
    const char* error() const;

    int width() const { return width_; }
    int height() const { return height_; }

    // Every pixel, RGBA, bottom row first: width * height * 4 bytes.
    std::vector<unsigned char> readPixels() const;
    // One pixel, RGBA; x from the left, y from the bottom.
    std::array<unsigned char, 4> pixel(int x, int y) const;

    // Makes the context current again on the calling thread.
    void makeCurrent();

    // The child window: cleared to a colour and shown.
    void fill(float r, float g, float b);

    struct Impl;

private:
    int width_, height_;
    std::unique_ptr<Impl> impl_;
};
