#include "support/TestGLContext.h"

#include <GL/glew.h>

#include <string>

#include "support/SystemGL.h"

namespace gl = support::system_gl;

struct TestGLContext::Impl
{
    std::string error;
    GLuint framebuffer = 0, colour = 0, depth = 0;
    bool current = false;
    gl::Surface* surface = nullptr;

    bool createFramebuffer(int width, int height);
};

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
    impl_->surface = gl::create(nullptr, 0, 0, width, height, impl_->error);
    if (!gl::makeCurrent(impl_->surface)) {
        if (impl_->error.empty()) impl_->error = "cannot make the context current";
        return;
    }
    impl_->current = impl_->createFramebuffer(width, height);
}

TestGLContext::TestGLContext(void* parent, int left, int top, int width, int height)
    : width_(width), height_(height), impl_(new Impl)
{
    impl_->surface = gl::create(parent, left, top, width, height, impl_->error);
    impl_->current = gl::makeCurrent(impl_->surface);
    if (!impl_->current && impl_->error.empty()) impl_->error = "cannot make the context current";
}

TestGLContext::~TestGLContext()
{
    if (impl_->current) {
        if (impl_->framebuffer) glDeleteFramebuffers(1, &impl_->framebuffer);
        if (impl_->colour) glDeleteRenderbuffers(1, &impl_->colour);
        if (impl_->depth) glDeleteRenderbuffers(1, &impl_->depth);
    }
    gl::destroy(impl_->surface);
}

bool TestGLContext::ok() const { return impl_->current; }

const char* TestGLContext::error() const { return impl_->error.c_str(); }

void TestGLContext::makeCurrent()
{
    impl_->current = gl::makeCurrent(impl_->surface);
    if (impl_->current && impl_->framebuffer) glBindFramebuffer(GL_FRAMEBUFFER, impl_->framebuffer);
}

void TestGLContext::fill(float r, float g, float b)
{
    if (!ok()) return;
    glViewport(0, 0, width_, height_);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    gl::present(impl_->surface);
}

std::vector<unsigned char> TestGLContext::readPixels() const
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
    if (!ok() || !impl_->framebuffer) return pixels;
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
    if (!ok() || !impl_->framebuffer || x < 0 || y < 0 || x >= width_ || y >= height_) return rgba;
    glFinish();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
