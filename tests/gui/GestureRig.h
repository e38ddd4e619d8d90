// What the gesture and window tests stand on: an element that records every
// pointer call it gets, an effect whose host counts the display refreshes it
// is asked for, and an owner that hands the window a host parent window.
#pragma once

#include <atomic>
#include <ostream>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ToolkitRig.h"
#include "gui/BoundingBox.h"
#include "gui/Control.h"
#include "gui/Group.h"
#include "gui/UIElement.h"
#include "gui/UIWindow.h"

namespace gesture {

enum class Call
{
    Down,
    Drag,
    Up,
    Enter,
    Leave,
};

struct Record
{
    Call call;
    float x, y;
    int modifiers;
};

inline bool operator==(const Record& a, const Record& b)
{
    return a.call == b.call && a.x == b.x && a.y == b.y && a.modifiers == b.modifiers;
}

inline std::ostream& operator<<(std::ostream& out, const Record& r)
{
    static const char* const names[] = {"Down", "Drag", "Up", "Enter", "Leave"};
    return out << names[static_cast<int>(r.call)] << "(" << r.x << ", " << r.y << ", 0x" << std::hex << r.modifiers
               << std::dec << ")";
}

inline Record down(float x, float y, int m = 0) { return {Call::Down, x, y, m}; }
inline Record drag(float x, float y, int m = 0) { return {Call::Drag, x, y, m}; }
inline Record up(float x, float y, int m = 0) { return {Call::Up, x, y, m}; }
inline Record enter() { return {Call::Enter, 0, 0, 0}; }
inline Record leave() { return {Call::Leave, 0, 0, 0}; }

// A leaf over [x0, x1] x [y0, y1] (window units, edges inside) that records
// its calls. Bound to parameter kLevel, so the binding delivers to it.
class RecordingElement : public HD::Control
{
public:
    RecordingElement(HD::UIWindow* window, float x0, float y0, float x1, float y1) : Control(rig::kLevel, window)
    {
        bounds = {x0, y0, 0.0f, x1, y1, 0.0f};
    }

    void mouseDown(HD::Point p, int m) override
    {
        calls.push_back(down(p.x, p.y, m));
        Control::mouseDown(p, m);
    }
    void mouseDrag(HD::Point p, int m) override { calls.push_back(drag(p.x, p.y, m)); }
    void mouseUp(HD::Point p, int m) override
    {
        calls.push_back(up(p.x, p.y, m));
        Control::mouseUp(p, m);
    }
    void mouseEnter() override { calls.push_back(enter()); }
    void mouseLeave() override { calls.push_back(leave()); }
    void parameterChanged(const HD::ParameterDescriptor*, float value) override
    {
        // Which call the delivery came after.
        deliveries.push_back({static_cast<int>(calls.size()), value});
    }

    struct Delivery
    {
        int afterCalls;
        float value;
    };
    std::vector<Record> calls;
    std::vector<Delivery> deliveries;
};

// The host's callback: counts the display refreshes asked for, and does
// whatever the test asks of a host at that moment.
inline std::atomic<int> displayRefreshes{0};
inline std::function<void()> refreshHook;
inline intptr_t VST_CALLBACK countingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    if (opcode == audioMasterUpdateDisplay) {
        ++displayRefreshes;
        if (refreshHook) refreshHook();
    }
    return 0;
}

class CountingEffect : public HaldAuBase
{
public:
    CountingEffect() : HaldAuBase(countingHost, rig::kRigParameters, rig::kRigParameterCount) {}
};

class HostedOwner : public HD::WindowOwner
{
public:
    HostedOwner(HaldAuBase* effect, void* parent) : effect_(effect), parent_(parent) {}
    void* parentWindow() override { return parent_; }
    HaldAuBase* effectObject() override { return effect_; }

private:
    HaldAuBase* effect_;
    void* parent_;
};

inline HD::WindowRect rectangle(int left, int top, int width, int height)
{
    HD::WindowRect r;
    r.left = static_cast<int16_t>(left);
    r.top = static_cast<int16_t>(top);
    r.right = static_cast<int16_t>(left + width);
    r.bottom = static_cast<int16_t>(top + height);
    return r;
}

}  // namespace gesture
