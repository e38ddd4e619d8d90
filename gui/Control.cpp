#include "gui/Control.h"

#include <cmath>

#include "framework/HaldAuBase.h"
#include "gui/UIWindow.h"

namespace HD {

bool isSteppedUnit(int unit)
{
    return unit == kUnitIndexed || unit == kUnitBoolean || unit == kUnitMidiNoteNumber || unit == kUnitBeats;
}

Control::Control(int index, UIWindow* window) : ControlBase(window)
{
    if (window && index >= 0 && index < window->parameterCount()) {
        descriptor_ = window->descriptors[static_cast<size_t>(index)];
        window->binding.addControl(index, this, window->audioEffect());
    } else {
        descriptor_.index = index;
    }
    stepped = isSteppedUnit(descriptor_.unit);
}

Control::~Control() { endEditing(); }

void Control::getBounds(BoundingBox& box) { box.enlarge(bounds); }

UIElement* Control::hitTest(Point point) { return bounds.contains(point) ? this : nullptr; }

void Control::mouseDown(Point, int)
{
    beginEditing();
    window()->activeIndex.store(descriptor_.index, std::memory_order_relaxed);
}

void Control::gestureEnded() { endEditing(); }

void Control::beginEditing()
{
    HaldAuBase* effect = descriptor_.effect;
    if (editing_ || !effect) return;
    editing_ = true;
    told_ = effect->normalisedFromValue(descriptor_.index, effect->getValue(descriptor_.index));
    effect->beginEdit(descriptor_.index);
}

void Control::endEditing()
{
    HaldAuBase* effect = descriptor_.effect;
    if (!editing_ || !effect) return;
    editing_ = false;
    effect->endEdit(descriptor_.index);
}

void Control::mouseUp(Point, int)
{
    int mine = descriptor_.index;
    window()->activeIndex.compare_exchange_strong(mine, -1, std::memory_order_relaxed);
}

void Control::mouseEnter()
{
    window()->hoverIndex.store(descriptor_.index, std::memory_order_relaxed);
    window()->tooltipElement.store(this, std::memory_order_relaxed);
}

void Control::mouseLeave()
{
    // Another element may have published its index since; leave that alone.
    int mine = descriptor_.index;
    window()->hoverIndex.compare_exchange_strong(mine, -1, std::memory_order_relaxed);
}

void Control::parameterChanged(const ParameterDescriptor*, float)
{
    // The value passed may be stale by now: the effect holds the latest.
    HaldAuBase* effect = descriptor_.effect;
    if (!effect) return;
    storeValue(effect->normalisedFromValue(descriptor_.index, effect->getValue(descriptor_.index)));
}

void Control::setNormalisedValue(float& n)
{
    HaldAuBase* effect = descriptor_.effect;
    if (!effect) return;
    float value;
    if (stepped) {
        const float range = descriptor_.maximum - descriptor_.minimum;
        value = std::floor(descriptor_.minimum + n * range + 0.5f);
        if (range != 0.0f) n = (value - descriptor_.minimum) / range;
    } else {
        value = effect->valueFromNormalised(descriptor_.index, n);
    }
    setValue(value);
}

void Control::setValue(float value)
{
    HaldAuBase* effect = descriptor_.effect;
    if (!effect) return;
    effect->setValue(descriptor_.index, value);
    // The editor queues it for every control of the parameter, this one included.
    if (HaldEditor* editor = effect->haldEditor()) editor->parameterChanged(descriptor_.index, value);
    if (!editing_) return;
    // The host's answer (setParameter of this value) only stores it again and
    // turns the knob to where it is: it neither moves the drag nor comes back.
    const float normalised = effect->normalisedFromValue(descriptor_.index, value);
    if (normalised == told_) return;
    told_ = normalised;
    effect->automate(descriptor_.index, normalised);
}

}  // namespace HD
