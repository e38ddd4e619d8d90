// Things the render thread draws outside the element tree. The window's
// effects list owns them; the render thread calls the hooks in list order.
#pragma once

namespace HD {

class UIWindow;

class Effect
{
public:
    explicit Effect(UIWindow* window) : window_(window) {}
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
    virtual ~Effect() = default;

    // Render thread: every frame before drawing.
    virtual void update() {}
    // Render thread: every frame in the flat overlay, after the element tree.
    virtual void draw() {}
    // Render thread: every frame in the perspective pass.
    virtual void drawScene() {}
    // Render thread, once, when the context is ready.
    virtual void createResources() {}
    // Render thread, once, at shutdown while the context is current.
    virtual void releaseResources() {}

    UIWindow* window() const { return window_; }

private:
    UIWindow* window_;
};

}  // namespace HD
