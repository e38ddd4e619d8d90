#include "gui/DragGesture.h"

#include <cstdint>

#include "framework/HaldAuBase.h"
#include "gui/Group.h"
#include "gui/UIWindow.h"

namespace HD {

bool DragGesture::press(Point point, int modifiers)
{
    element_ = window_->root ? window_->root->hitTest(point) : nullptr;
    if (!element_) return false;
    over_ = false;
    modifiers_ = modifiers;
    pressPoint_ = point;
    lastPoint_ = point;
    element_->mouseDown(point, modifiers);
    window_->binding.flushPending();
    return true;
}

bool DragGesture::event(DragEvent kind, int x, int y, int currentModifiers)
{
    if (!element_ || over_) return false;
    // The last known point stays.
    if (kind == DragEvent::Failed) {
        over_ = true;
        return false;
    }
    // Window units, y up; the scale acts on the distance from the press point,
    // so the first movement never jumps.
    const float bottom = static_cast<float>(window_->rectangle().bottom);
    const Point raw{static_cast<float>(static_cast<int16_t>(x)), bottom - static_cast<float>(static_cast<int16_t>(y))};
    const float scale = window_->scale > 0.0f ? window_->scale : 1.0f;
    const Point point{pressPoint_.x + (raw.x - pressPoint_.x) / scale, pressPoint_.y + (raw.y - pressPoint_.y) / scale};
    lastPoint_ = point;

    if (kind == DragEvent::ModifiersChanged) {
        element_->mouseUp(point, modifiers_);
        modifiers_ = currentModifiers;
        element_->mouseDown(point, modifiers_);
    }
    element_->mouseDrag(point, modifiers_);
    if (kind == DragEvent::Released) {
        over_ = true;
        return false;
    }
    window_->binding.flushPending();
    return true;
}

void DragGesture::end()
{
    UIElement* element = element_;
    if (!element) return;
    element_ = nullptr;
    element->mouseUp(lastPoint_, modifiers_);
    element->gestureEnded();
    window_->activeIndex.store(-1, std::memory_order_relaxed);
    if (HaldAuBase* effect = window_->audioEffect()) effect->updateDisplay();
}

}  // namespace HD
