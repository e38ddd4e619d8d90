// One channel of the effect: the reverse sweep (dsp/ReverseSweep.h) fed
// with the effect's values for each block.
//
// Contract: Reset() sizes the line for 30 s at the effect's current rate
// and clears everything; Process() runs on the audio thread, allocates only
// when the rate has changed, and after each block publishes the sweep's
// position and direction to the effect's display words.
#pragma once

#include <cstdint>

#include "dsp/ReverseSweep.h"
#include "effect/HaldParfelle.h"

class HaldParfelle::CParfelleKernel : public AUKernelBase
{
public:
    static constexpr int kFadeSamples = dsp::ReverseSweep::kFadeSamples;

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
    int32_t position() const { return sweep_.position(); }
    bool forward() const { return sweep_.forward(); }
    void restartSweep() { sweep_.restartSweep(); }
    const float* buffer() const { return sweep_.buffer(); }
    uint32_t bufferCells() const { return sweep_.bufferCells(); }
    const dsp::EchoFilterState& filterState() const { return sweep_.filterState(); }

    static int32_t blockStartPosition(int64_t position, bool forward, int32_t length)
    {
        return dsp::ReverseSweep::blockStartPosition(position, forward, length);
    }
    static uint32_t capacityFor(float sampleRate) { return dsp::ReverseSweep::capacityFor(sampleRate); }

private:
    // Display words 2 to 4 from the position and direction after a block.
    void publish();

    HaldParfelle* parfelle_;
    dsp::ReverseSweep sweep_;
};
