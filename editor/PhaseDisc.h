// A small disc showing a cyclic phase as the wedge it swept over the last
// ten frames, brightest at the newest edge. Phase 0 points straight up and
// the phase runs clockwise; a phase that stands still draws nothing.
//
// Threads: construction on the window thread; draw and advance on the
// render thread, which also writes the source (its copy of the display
// state) before each frame.
#pragma once

#include "gui/UIElement.h"

namespace HD {

class PhaseDisc : public UIElement
{
public:
    static constexpr int kHistory = 10;

    // source: the phase to show, in turns (0 to 1).
    PhaseDisc(UIWindow* window, const float* source);

    void getBounds(BoundingBox& box) override;
    // Advances the history by the source's phase, then draws it.
    void draw() override;

    struct Entry
    {
        float phase, sine, cosine;
    };
    // One drawn frame's step: the oldest entry falls out.
    void advance(float phase);
    const Entry& entry(int n) const { return history_[n]; }
    const BoundingBox& box() const { return box_; }

private:
    BoundingBox box_;
    const float* source_;
    Entry history_[kHistory] = {};
};

constexpr float kPhaseDiscCentreColour[4] = {0.9f, 0.1f, 0.1f, 0.5f};

}  // namespace HD
