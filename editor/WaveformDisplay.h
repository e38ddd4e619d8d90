// The delay line's contents as a min/max envelope, drawn straight from the
// effect's column array (256 columns of x, lower y, x, upper y), which the
// audio thread keeps writing: a frame may mix columns of two blocks.
//
// Threads: setColumns on the window thread at any time; draw on the render
// thread.
#pragma once

#include <atomic>

#include "framework/DisplayState.h"
#include "gui/UIElement.h"

namespace HD {

// The strip across the panel that the waveform and the scanner share.
BoundingBox displayStripBox(float y);

class WaveformDisplay : public UIElement
{
public:
    static constexpr int kColumns = 256;

    // The state is kept for the displays that read it; the waveform itself
    // needs only the columns.
    WaveformDisplay(UIWindow* window, float y, const DisplayState* state);

    void getBounds(BoundingBox& box) override;
    // Nothing until the columns are set.
    void draw() override;

    // The effect's array; it must outlive the display. Null draws nothing.
    void setColumns(const std::atomic<float>* columns) { columns_.store(columns, std::memory_order_release); }
    const std::atomic<float>* columns() const { return columns_.load(std::memory_order_acquire); }
    const BoundingBox& box() const { return box_; }
    const DisplayState* state() const { return state_; }

private:
    BoundingBox box_;
    std::atomic<const std::atomic<float>*> columns_{nullptr};
    const DisplayState* state_;
};

}  // namespace HD
