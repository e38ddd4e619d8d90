// An effect driven as a host drives it, under a recording host whose answers
// the test sets (tempo) and whose requests it records (refreshes).
#pragma once

#include <vector>

#include "effect/CParfelleKernel.h"
#include "effect/HaldParfelle.h"
#include "tests/effect/RecordingHost.h"

class EffectRig
{
public:
    EffectRig() : effect(RecordingHost::callback) {}

    // Settings under which the echo path passes the delayed sample unchanged:
    // no feedback, no dry signal, full effect level, no drive, hard clip at
    // 1.5, "Thru" filter.
    void makeTransparent();
    // Delay Time for exactly `samples` samples at the current rate.
    void setDelaySamples(int samples);
    void setSampleRate(float rate) { effect.dispatcher(effSetSampleRate, 0, 0, nullptr, rate); }

    // Runs the input (same on both channels unless right is given) through in
    // blocks of the given sizes, cycling; returns the left output.
    std::vector<float> run(const std::vector<float>& left, std::vector<unsigned> blocks = {64},
                           const std::vector<float>* right = nullptr, std::vector<float>* rightOut = nullptr);
    void block(float* left, float* right, float* outLeft, float* outRight, unsigned frames);

    HaldParfelle::CParfelleKernel& kernel(int channel) { return effect.kernel(static_cast<size_t>(channel)); }
    DisplayState display()
    {
        DisplayState state{};
        effect.getDisplayState(&state);
        return state;
    }

    RecordingHost host;  // made before the effect, which asks it things at once
    HaldParfelle effect;
};

// Deterministic noise in [-amplitude, amplitude].
std::vector<float> noise(size_t frames, float amplitude, unsigned seed);
