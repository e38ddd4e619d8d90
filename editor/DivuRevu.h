// The panel's knob: a control that turns a pointer across 270 degrees. The
// knob itself draws nothing; its geometry lives in the window's
// ZedaViruZovozeze, which draws every knob in one pass.
//
// Threads: construction and the gestures run on the window thread;
// prepareGraphics and drawBackground once on the render thread while it sets
// up.
#pragma once

#include "gui/Control.h"

namespace HD {

class UIFont;
class ZedaViruZovozeze;

class Knob : public Control
{
public:
    using Control::Control;
};

class DivuRevu : public Knob
{
public:
    // Vertical travel: the whole range in 200 units, or 2000 with Shift.
    static constexpr float kSensitivity = 0.005f;
    static constexpr float kFineSensitivity = 0.0005f;
    static constexpr float kSize = 30.0f;
    static constexpr float kLabelHeight = 5.0f;

    // x is the knob's offset inside its group. The label is not copied and
    // may be null (no text, 30 high).
    DivuRevu(int index, UIWindow* window, ZedaViruZovozeze* renderer, const char* label, float x);

    void getBounds(BoundingBox& box) override;
    void mouseDown(Point point, int modifiers) override;
    void mouseDrag(Point point, int modifiers) override;
    void parameterChanged(const ParameterDescriptor* descriptor, float value) override;
    void prepareGraphics() override;
    void drawBackground(UIFont* smallFont) override;

    const float* colour() const { return colour_; }
    const char* label() const { return label_; }
    int rendererIndex() const { return rendererIndex_; }

private:
    Point pressPoint_{0.0f, 0.0f};
    float startValue_ = 0.0f;
    ZedaViruZovozeze* renderer_;
    int rendererIndex_;
    float colour_[4];
    const char* label_;
};

// The knob colour of a parameter unit (RGB; alpha is always 1).
struct KnobColour
{
    float r, g, b;
};
KnobColour knobColourForUnit(int unit);

// Pointer angle in radians clockwise from straight up for a normalised
// value: -135 degrees at 0, +135 degrees at 1.
float knobAngle(float normalised);

constexpr float kKnobLabelColour[3] = {0.52f, 0.55f, 0.5f};

}  // namespace HD
