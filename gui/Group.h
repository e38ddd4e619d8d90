// Containers of the element tree. A group refers to its children (the window
// owns them) and translates them by its offset.
#pragma once

#include <atomic>
#include <vector>

#include "gui/UIElement.h"

namespace HD {

class Group : public UIElement
{
public:
    explicit Group(UIWindow* window) : UIElement(window) {}

    // Children in insertion order, translated by the offset.
    void draw() override;
    void getBounds(BoundingBox& box) override;
    // Asks the children in insertion order; never returns the group itself.
    UIElement* hitTest(Point point) override;

    const std::vector<UIElement*>& children() const { return children_; }

    float offset[3] = {0.0f, 0.0f, 0.0f};  // set by the layout before rendering starts

private:
    friend void addChild(Group* group, UIElement* element);
    std::vector<UIElement*> children_;
};

// Appends element to group's children and makes group its parent.
void addChild(Group* group, UIElement* element);

// A group with a titled frame whose colour glides towards hover or normal.
class NamedGroup : public Group
{
public:
    // The name is not copied: it must outlive the group.
    NamedGroup(UIWindow* window, const char* name);

    void draw() override;
    // As a group's, widened by the margin in x and y.
    void getBounds(BoundingBox& box) override;
    void mouseEnter() override;
    void mouseLeave() override;
    // Adds the title to the window's static text and computes the outline.
    void prepareGraphics() override;

    // Class-wide colours, set by the editor before it builds its panel.
    static float hoverColour[4];
    static float normalColour[4];

    const char* name;
    float margin = 10.0f;
    float colour[4] = {0.5f, 0.5f, 0.5f, 0.5f};               // render thread; the title reads it
    std::atomic<float> targetColour[4] = {{0.5f}, {0.5f}, {0.5f}, {0.5f}};
    float outline[12] = {};  // six points of a line strip, window coordinates
};

}  // namespace HD
