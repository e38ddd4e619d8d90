// One channel of the reverse delay.
//
// A single position sweeps the delay line forward from 0 to L and back from
// L to 0, again and again. At every step the cell under it is read (what was
// written there on the previous sweep, which ran the other way) and then
// overwritten with the new input plus feedback, so each sweep plays the
// previous L samples backwards. The read passes the echo path (EchoPath.h).
//
// Per sample, with x the input, d the cell read, p the position as a float:
//   e   = echo(d)
//   t   = x - x[n-1] + R t          DC tracker, R = 1 - 126 / sr
//   g   = min(p, L - p, 16) / 16    end fade over 16 samples
//   out = e * wet + x * dry
//   cell = (x - t)(1 - g) + x g + fb e
//
// Contract: Reset() sizes the line for 30 s at the effect's current rate
// and clears everything; Process() runs on the audio thread, allocates only
// when the rate has changed, and never tests the direction per sample: the
// block is cut into segments that each run up to a turning point.
//
// ProcessPair() runs the two channels' kernels of one block in one pass:
// they always share the delay length, the sweep's position and direction
// and the block's values, so their samples go side by side through SSE2
// lanes (left in lane 0, right in lane 1), four frames at a time in the
// middle of the sweep. Each kernel keeps its own line and state, and every
// lane performs the single-channel loop's operations in the same order, so
// the numbers are exactly those of Process() on each kernel.
#pragma once

#include <cstdint>
#include <memory>

#include "effect/EchoPath.h"
#include "effect/HaldParfelle.h"

class HaldParfelle::CParfelleKernel : public AUKernelBase
{
public:
    static constexpr int kFadeSamples = 16;

    // Throws std::bad_alloc when the first buffer cannot be had.
    explicit CParfelleKernel(HaldParfelle* effect);

    void Reset() override;
    void Process(const float* source, float* destination, unsigned frames, unsigned channels,
                 bool& silence) override;

    // Both channels of a block: the same results as left.Process(channel 0)
    // followed by right.Process(channel 1), provided no output buffer is
    // another channel's input and buffers are either the same or apart
    // (the effect checks). Returns false, having done nothing, when the
    // kernels are not in step or a rate change is pending; use Process then.
    static bool ProcessPair(CParfelleKernel& left, CParfelleKernel& right, const float* const sources[2],
                            float* const destinations[2], unsigned frames);

    // Audio thread (the effect's per-block steps).
    int32_t position() const { return position_; }
    bool forward() const { return forward_ != 0; }
    void restartSweep()
    {
        position_ = 0;
        forward_ = 1;
    }
    const float* buffer() const { return buffer_.get(); }
    uint32_t bufferCells() const { return bufferBytes_ / sizeof(float); }
    const EchoFilterState& filterState() const { return filter_; }

    // Where a sweep continues at the start of a block after the length may
    // have changed: forward positions lie in 0..L-1, backward ones in 1..L;
    // a position beyond its range is brought back by whole lengths. A sweep
    // that has just turned at L stays there, so the sound does not depend on
    // where the host's blocks begin.
    static int32_t blockStartPosition(int64_t position, bool forward, int32_t length);

    // Cells for 30 s at a rate, plus the fade's margin; 0 when the size in
    // bytes would not fit 32 bits.
    static uint32_t capacityFor(float sampleRate);

private:
    // False when the new line could not be had; the old one is kept then.
    bool tryReset();
    // Display words 2 to 4 from the position and direction after a block.
    void publish(int32_t length);

    HaldParfelle* parfelle_;
    std::unique_ptr<float[]> buffer_;
    uint32_t bufferBytes_ = 0;
    int32_t position_ = 0;
    float sampleRate_ = 0.0f;
    unsigned char forward_ = 1;
    EchoFilterState filter_;
    float previousInput_ = 0.0f;
    float inputTracker_ = 0.0f;
};
