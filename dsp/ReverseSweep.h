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
//   t   = x - x[n-1] + R t          DC tracker (DcTracker.h), R = 1 - 126 / sr
//   g   = min(p, L - p, 16) / 16    end fade over 16 samples
//   out = e * wet + x * dry
//   cell = (x - t)(1 - g) + x g + fb e
// where fb = feedback / 100, dry = dryLevel^3, wet = effectLevel^3.
//
// Contract: setSampleRate() sizes the line for 30 s at that rate and clears
// everything (it allocates: not on the audio thread); reset() clears the line
// and the state without allocating. process() allocates nothing and never
// tests the direction per sample: the block is cut into segments that each
// run up to a turning point. A non-finite input sample counts as 0.
//
// processPair() runs two channels' sweeps of one block in one pass: they
// share the delay length, the position and direction and the block's
// values, so their samples go side by side through SSE2 lanes (left in lane
// 0, right in lane 1), four frames at a time in the middle of the sweep.
// Each sweep keeps its own line and state, and every lane performs the
// single-channel loop's operations in the same order, so the numbers are
// exactly those of process() on each sweep.
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/DcTracker.h"
#include "dsp/EchoPath.h"

namespace dsp {

// What every channel uses for one block.
struct SweepBlock
{
    float feedback;     // percent
    float dryLevel;     // fader position, applied cubed
    float effectLevel;  // fader position, applied cubed
    EchoSettings echo;  // its sample rate is the sweep's own
};

class ReverseSweep
{
public:
    static constexpr int kFadeSamples = 16;

    // False, keeping the old line and rate, when the new line cannot be had.
    bool setSampleRate(float sampleRate);
    void reset();

    // frames samples from source to destination (which may be the same
    // buffer); length is the wanted L, held inside the line.
    void process(const float* source, float* destination, uint32_t frames, const SweepBlock& block, int32_t length);

    // Both channels of a block: the same results as left.process(channel 0)
    // followed by right.process(channel 1), provided no output buffer is
    // another channel's input and buffers are either the same or apart.
    // Returns false, having done nothing, when the sweeps are not in step
    // (rate, line, position or direction); use process() then.
    static bool processPair(ReverseSweep& left, ReverseSweep& right, const float* const sources[2],
                            float* const destinations[2], uint32_t frames, const SweepBlock& block,
                            int32_t length);

    float sampleRate() const { return sampleRate_; }
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

    // The L a block uses for a wanted length: the sweep runs over cells
    // 0..L, all inside the line even if the rate changed since the length
    // was worked out.
    int32_t usableLength(int32_t length) const;

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
    std::unique_ptr<float[]> buffer_;
    uint32_t bufferBytes_ = 0;
    int32_t position_ = 0;
    float sampleRate_ = 0.0f;
    unsigned char forward_ = 1;
    EchoFilterState filter_;
    DcTracker input_;
};

}  // namespace dsp
