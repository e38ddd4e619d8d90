// An element bound to one effect parameter.
#pragma once

#include <atomic>

#include "gui/ParameterDescriptor.h"
#include "gui/UIElement.h"

namespace HD {

class Control : public ControlBase
{
public:
    // Copies the window's descriptor for index and registers with its binding.
    Control(int index, UIWindow* window);

    void getBounds(BoundingBox& box) override;
    UIElement* hitTest(Point point) override;
    void mouseDown(Point point, int modifiers) override;
    void mouseUp(Point point, int modifiers) override;
    void mouseEnter() override;
    void mouseLeave() override;
    // Re-reads the parameter from the effect's current program.
    void parameterChanged(const ParameterDescriptor* descriptor, float value) override;

    // Window thread. Stepped parameters snap: n is moved to the snapped position.
    void setNormalisedValue(float& n);
    // A value in the parameter's units.
    void setValue(float value);

    float value() const { return value_.load(std::memory_order_relaxed); }
    const ParameterDescriptor& descriptor() const { return descriptor_; }

protected:
    void storeValue(float normalised) { value_.store(normalised, std::memory_order_relaxed); }

private:
    ParameterDescriptor descriptor_;
    std::atomic<float> value_{0.0f};  // normalised; read by the render thread
};

// Units whose controls move in whole steps: indexed, boolean, 11, beats.
bool isSteppedUnit(int unit);

}  // namespace HD
