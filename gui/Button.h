// Elements that run an action when released.
#pragma once

#include <atomic>
#include <string>

#include "gui/UIElement.h"

namespace HD {

class Button : public ControlBase
{
public:
    using Action = void (*)(Button* button, void* context);

    // Every button is 30 units high.
    Button(UIWindow* window, const char* label, Action action, void* context, float x, float y, float width,
           int id);

    void draw() override;
    void getBounds(BoundingBox& box) override;
    UIElement* hitTest(Point point) override;
    // Runs the action wherever the pointer is released.
    void mouseUp(Point point, int modifiers) override;
    void mouseEnter() override;
    void mouseLeave() override;

    const std::string& label() const { return label_; }
    int id() const { return id_; }

private:
    std::string label_;
    Action action_;
    void* context_;
    int id_;  // negative, published while hovered
};

// The panel's flat button: a filled quad whose colour fades on hover.
class DoduVoriro : public Button
{
public:
    DoduVoriro(UIWindow* window, const char* label, Action action, void* context, float x, float y, float width,
               int id);

    void draw() override;
    void mouseEnter() override;
    void mouseLeave() override;
    // Adds the centred label to the window's static text.
    void prepareGraphics() override;

    static float labelColour[4];

    float colour[4] = {0.3f, 0.3f, 0.3f, 0.2f};  // render thread
    std::atomic<float> targetColour[4] = {{0.3f}, {0.3f}, {0.3f}, {0.2f}};
};

}  // namespace HD
