#include "editor/DivuRevu.h"

#include "editor/ZedaViruZovozeze.h"
#include "framework/HaldAuBase.h"
#include "gui/GL.h"
#include "gui/Modifiers.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"

namespace HD {

namespace {

float currentValue(const ParameterDescriptor& descriptor)
{
    return descriptor.effect ? descriptor.effect->getValue(descriptor.index) : 0.0f;
}

float normalisedCurrentValue(const ParameterDescriptor& descriptor)
{
    HaldAuBase* effect = descriptor.effect;
    return effect ? effect->normalisedFromValue(descriptor.index, effect->getValue(descriptor.index)) : 0.0f;
}

}  // namespace

KnobColour knobColourForUnit(int unit)
{
    switch (unit) {
    case kUnitBoolean: return {0.7f, 0.7f, 0.8f};
    case kUnitSeconds:
    case kUnitMilliseconds: return {0.8f, 0.1f, 0.9f};
    case kUnitHertz: return {0.2f, 0.7f, 0.9f};
    case kUnitRelativeSemitones: return {0.0f, 0.5f, 1.0f};
    case kUnitMidiNoteNumber: return {0.1f, 0.6f, 0.3f};
    case kUnitLinearGain: return {1.0f, 0.2f, 0.2f};
    default: return {1.0f, 0.6f, 0.0f};
    }
}

float knobAngle(float normalised)
{
    constexpr float kHalfSweep = 2.356194490192345f;  // 3 pi / 4
    return (2.0f * normalised - 1.0f) * kHalfSweep;
}

DivuRevu::DivuRevu(int index, UIWindow* window, ZedaViruZovozeze* renderer, const char* label, float x)
    : Knob(index, window), renderer_(renderer), label_(label)
{
    bounds.minX = x;
    bounds.minY = 0.0f;
    bounds.minZ = 0.0f;
    bounds.maxX = x + kSize;
    bounds.maxY = kSize;
    bounds.maxZ = 0.0f;

    const KnobColour c = knobColourForUnit(descriptor().unit);
    colour_[0] = c.r;
    colour_[1] = c.g;
    colour_[2] = c.b;
    colour_[3] = 1.0f;
    // Semitones only make sense in whole steps.
    if (descriptor().unit == kUnitRelativeSemitones) stepped = true;

    rendererIndex_ = renderer_->addKnob();
    renderer_->setAngle(rendererIndex_, 0.0f);
    renderer_->setColour(rendererIndex_, colour_);
}

void DivuRevu::getBounds(BoundingBox& box)
{
    BoundingBox own = bounds;
    if (label_) own.maxY += kLabelHeight;
    box.enlarge(own);
}

void DivuRevu::mouseDown(Point point, int modifiers)
{
    const ParameterDescriptor& d = descriptor();
    // The host hears of the hold before the reset or flip it records.
    beginEditing();
    if (modifiers & ModifierAlt) {
        setValue(d.defaultValue);
        storeValue(normalisedCurrentValue(d));
    } else if (stepped && d.minimum == 0.0f && d.maximum == 1.0f) {
        // A switch: a click flips it.
        setValue(1.0f - currentValue(d));
        storeValue(normalisedCurrentValue(d));
    }
    pressPoint_ = point;
    startValue_ = value();
    Control::mouseDown(point, modifiers);
}

void DivuRevu::mouseDrag(Point point, int modifiers)
{
    const float perUnit = (modifiers & ModifierShift) ? kFineSensitivity : kSensitivity;
    float n = startValue_ + (point.y - pressPoint_.y) * perUnit;
    if (n > 1.0f) n = 1.0f;
    if (n < 0.0f) n = 0.0f;
    // Where the knob already is, nothing changes: writing it again would
    // only tell the host of a float round trip's difference.
    if (n == value()) return;
    setNormalisedValue(n);  // snaps stepped parameters
    storeValue(n);
}

void DivuRevu::parameterChanged(const ParameterDescriptor* descriptor, float value)
{
    Control::parameterChanged(descriptor, value);
    renderer_->setAngle(rendererIndex_, knobAngle(this->value()));
}

void DivuRevu::prepareGraphics()
{
    const BoundingBox box = windowBounds(this);
    float centreY = box.centreY();
    // The label takes the bottom of the box: the disc sits above it.
    if (label_) centreY += kLabelHeight / 2.0f;
    renderer_->setPlacement(rendererIndex_, box.centreX(), centreY, box.maxX - box.centreX());
}

void DivuRevu::drawBackground(UIFont* smallFont)
{
    if (!label_) return;
    const BoundingBox box = windowBounds(this);
    const float cx = box.centreX();
    const float cy = box.centreY();
    const float width = textWidth(smallFont, label_);
    glColor3f(kKnobLabelColour[0], kKnobLabelColour[1], kKnobLabelColour[2]);
    drawString(smallFont, label_, cx - width / 2.0f, cy - (box.maxY - cy) / 2.0f - lineHeight(smallFont));
}

}  // namespace HD
