// The input's changes with its DC part leaking away: a one-pole high-pass
//
//   t[n] = x[n] - x[n-1] + R t[n-1],   R = 1 - 126 / sr
//
// x - t is then the input's slowly moving (DC) part, which the sweep
// writes near its turning points so that they do not click.
//
// Contract: setSampleRate() sets R only; reset() zeroes x[n-1] and t but
// leaves R; process() takes one sample and returns t.
#pragma once

namespace dsp {

class DcTracker
{
public:
    static float coefficientFor(float sampleRate) { return 1.0f - 126.0f / sampleRate; }

    void setSampleRate(float sampleRate) { R_ = coefficientFor(sampleRate); }
    void reset()
    {
        previous = 0.0f;
        tracker = 0.0f;
    }
    float process(float x) { return step(x, R_); }

    // The same step with R given, for loops that hold R in a register.
    float step(float x, float R)
    {
        tracker = x - previous + R * tracker;
        previous = x;
        return tracker;
    }

    float previous = 0.0f;  // x[n-1]
    float tracker = 0.0f;   // t[n-1]

private:
    float R_ = 0.0f;
};

}  // namespace dsp
