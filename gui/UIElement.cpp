#include "gui/UIElement.h"

#include "gui/Group.h"
#include "gui/UIWindow.h"

namespace HD {

UIElement::UIElement(UIWindow* window) : window_(window)
{
    if (window_) window_->elements.push_back(this);
}

BoundingBox windowBounds(UIElement* element)
{
    BoundingBox box;
    element->getBounds(box);
    for (Group* ancestor = element->parent(); ancestor; ancestor = ancestor->parent())
        box.translate(ancestor->offset[0], ancestor->offset[1], ancestor->offset[2]);
    return box;
}

void glideColour(float colour[4], const std::atomic<float> target[4])
{
    for (int i = 0; i < 4; ++i)
        colour[i] = kColourGlide * target[i].load(std::memory_order_relaxed) + (1.0f - kColourGlide) * colour[i];
}

}  // namespace HD
