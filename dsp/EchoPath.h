// The chain every sample read from the delay line passes through before it
// reaches the output and the feedback write: the saturator (Saturator.h),
// the state-variable filter (StateVariableFilter.h) and a mix of its
// responses,
//
//   e = u w_thru + high w_high + band w_band + low w_low
//
// The filter frequency f = (cutoff + 62.5) * 2^(depth * cos(lfo)) - 62.5, at
// least 0 and at most sr / 4. The weights cross-fade through -> low -> band
// -> high -> through as the type goes from 0 to 4.
//
// Contract: coefficients are computed once per block (all the power, sine and
// cosine work is there); processEcho() is multiplications, additions and
// comparisons only and advances the filter state; a fresh EchoFilterState
// (or reset()) starts the filter from silence.
#pragma once

#include <cmath>

#include "dsp/Saturator.h"
#include "dsp/StateVariableFilter.h"

namespace dsp {

struct EchoSettings
{
    float saturationAmount;  // 0..11
    float saturationShape;   // 0 hard clip .. 1 smooth knee
    float cutoff;            // Hz, 50..12000
    float resonance;         // "Filter Q", 0.01..1 (1 least damped)
    float type;              // 0..4
    float lfoDepth;          // octaves, -3..3
    float lfoPhase;          // radians
    float sampleRate;
};

// The saturator's and the filter's coefficients, and the responses' weights.
struct EchoCoefficients : Saturator, FilterCoefficients
{
    float wThru, wLow, wBand, wHigh;
};

using EchoFilterState = FilterState;

// The filter frequency in Hz before the sr/4 limit (may be negative).
inline double echoFilterFrequency(float cutoff, float lfoDepth, float lfoPhase)
{
    return 62.5 * std::exp2(std::log2(1.0 + cutoff * 0.016) + lfoDepth * std::cos(static_cast<double>(lfoPhase))) -
           62.5;
}

inline EchoCoefficients computeEchoCoefficients(const EchoSettings& s)
{
    EchoCoefficients c{};
    c.Saturator::set(s.saturationAmount, s.saturationShape);
    c.FilterCoefficients::set(echoFilterFrequency(s.cutoff, s.lfoDepth, s.lfoPhase), s.resonance, s.sampleRate);

    const float t = s.type;
    if (t < 1.0f) {
        c.wThru = 1.0f - t;
        c.wLow = t;
    } else if (t < 2.0f) {
        c.wLow = 2.0f - t;
        c.wBand = t - 1.0f;
    } else if (t < 3.0f) {
        c.wBand = 3.0f - t;
        c.wHigh = t - 2.0f;
    } else {
        c.wHigh = 4.0f - t;
        c.wThru = t - 3.0f;
    }
    return c;
}

// Which responses a block's weights mix. A whole "Filter Type" selects one
// response alone; the loop then skips the three products that would add zeros
// (the result is the same number).
enum class EchoResponse
{
    Thru,
    Low,
    Band,
    High,
    Blend,
};

inline EchoResponse responseOf(const EchoCoefficients& c)
{
    const bool thru = c.wThru == 1.0f && c.wLow == 0.0f && c.wBand == 0.0f && c.wHigh == 0.0f;
    const bool low = c.wLow == 1.0f && c.wThru == 0.0f && c.wBand == 0.0f && c.wHigh == 0.0f;
    const bool band = c.wBand == 1.0f && c.wThru == 0.0f && c.wLow == 0.0f && c.wHigh == 0.0f;
    const bool high = c.wHigh == 1.0f && c.wThru == 0.0f && c.wLow == 0.0f && c.wBand == 0.0f;
    return thru ? EchoResponse::Thru
           : low ? EchoResponse::Low
           : band ? EchoResponse::Band
           : high ? EchoResponse::High
                  : EchoResponse::Blend;
}

// One sample of the echo path; advances the filter state. Response must be
// responseOf(c) or Blend, which serves every set of weights.
template <EchoResponse Response>
inline float processEcho(float d, const EchoCoefficients& c, EchoFilterState& state)
{
    const float u = c.Saturator::process(d);
    processFilter(u, c, state);
    switch (Response) {
    case EchoResponse::Thru: return u;
    case EchoResponse::Low: return state.low;
    case EchoResponse::Band: return state.band;
    case EchoResponse::High: return state.high;
    default: return u * c.wThru + state.high * c.wHigh + state.band * c.wBand + state.low * c.wLow;
    }
}

inline float processEcho(float d, const EchoCoefficients& c, EchoFilterState& state)
{
    return processEcho<EchoResponse::Blend>(d, c, state);
}

}  // namespace dsp
