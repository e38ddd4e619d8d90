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
    // A gesture cut short (the editor closing in mid-drag) still lets go.
    ~Control() override;

    void getBounds(BoundingBox& box) override;
    UIElement* hitTest(Point point) override;
    // Takes hold of the parameter for the host (beginEdit) unless this
    // gesture already has.
    void mouseDown(Point point, int modifiers) override;
    void mouseUp(Point point, int modifiers) override;
    // Lets go of the parameter (endEdit).
    void gestureEnded() override;
    void mouseEnter() override;
    void mouseLeave() override;
    // Re-reads the parameter from the effect's current program.
    void parameterChanged(const ParameterDescriptor* descriptor, float value) override;

    // Window thread. Stepped parameters snap: n is moved to the snapped position.
    void setNormalisedValue(float& n);
    // A value in the parameter's units. While the control holds the
    // parameter, a value the host has not been told yet goes to it as
    // automation (normalised).
    void setValue(float value);

    // Window thread: the host records the changes between the two. Nesting
    // is ignored: one beginEdit, one endEdit.
    void beginEditing();
    void endEditing();

    float value() const { return value_.load(std::memory_order_relaxed); }
    const ParameterDescriptor& descriptor() const { return descriptor_; }

protected:
    void storeValue(float normalised) { value_.store(normalised, std::memory_order_relaxed); }

private:
    ParameterDescriptor descriptor_;
    std::atomic<float> value_{0.0f};  // normalised; read by the render thread
    bool editing_ = false;
    float told_ = 0.0f;  // the normalised value the host last heard of
};

// Units whose controls move in whole steps: indexed, boolean, 11, beats.
bool isSteppedUnit(int unit);

}  // namespace HD
