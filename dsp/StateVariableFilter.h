// The Chamberlin state-variable filter, one sample:
//
//   low  += F * band                 F = 2 sin(pi f / sr), f at most sr / 4
//   high  = u - low - q * band       q the damping, 2 (1 - Q^(1/4))
//   band += F * high
//
// The band update is evaluated in the equivalent form
//   band' = (band - (F^2 + q F) band) + F (u - low)
// in which one sample's band reaches the next through three operations
// rather than six, so the recursion no longer sets the speed. Keeping
// F^2 + q F as a small number of its own loses none of the precision of the
// written order.
//
// The filter is stable while q < 2/F - F/2; at that bound a pole sits on
// z = -1 and the filter rings at half the rate for ever (or grows, once
// float rounding pushes it over), so q is held 1 % inside it.
//
// Contract: FilterCoefficients::set() does the sine and power work once per
// block for a frequency and sample rate; process() is multiplications and
// additions only and advances the state; FilterState::reset() zeroes the
// state and leaves the coefficients.
#pragma once

#include <cmath>

namespace dsp {

struct FilterCoefficients
{
    float frequency;  // F
    float damping;    // q
    float bandLoss;   // F^2 + q F

    // hz: the wanted frequency (below 0 counts as 0); resonance: "Q", 0..1,
    // 1 least damped.
    void set(double hz, float resonance, float sampleRate)
    {
        constexpr double pi = 3.14159265358979323846;
        if (!(hz > 0.0)) hz = 0.0;
        double omega = pi * hz / sampleRate;
        if (omega > pi / 4) omega = pi / 4;
        frequency = static_cast<float>(2.0 * std::sin(omega));

        // Q above 1 would mean negative damping and a filter that grows
        // without bound; below 0 the root is undefined.
        const double q = resonance < 0.0f ? 0.0 : resonance > 1.0f ? 1.0 : resonance;
        double d = 2.0 * (1.0 - std::pow(q, 0.25));
        double limit = frequency > 0.0f ? 0.99 * (2.0 / frequency - frequency / 2.0) : 2.0;
        if (!(limit < 2.0)) limit = 2.0;
        if (d > limit) d = limit;
        damping = static_cast<float>(d);
        bandLoss = frequency * frequency + damping * frequency;
    }
};

struct FilterState
{
    float low = 0.0f;
    float band = 0.0f;
    float high = 0.0f;

    void reset() { *this = FilterState{}; }
};

// One sample u through the filter; the three outputs are left in state.
inline void processFilter(float u, const FilterCoefficients& c, FilterState& state)
{
    const float low = state.low + c.frequency * state.band;
    const float high = u - low - c.damping * state.band;
    const float band = (state.band - c.bandLoss * state.band) + c.frequency * (u - state.low);
    state.low = low;
    state.high = high;
    state.band = band;
}

}  // namespace dsp
