// The chain every sample read from the delay line passes through before it
// reaches the output and the feedback write:
//
//   y = d * g                                 drive, g = 1 + amount * 15/11
//   s = c if y >= 1.5, -c if y < -1.5,        saturation; k = shape * 4/27,
//       else y - k * y^3                      c = 1.5 - 3.375 k (the cubic meets
//                                             +-c at |y| = 1.5)
//   u = s * m                                 make-up, m = 1/g, at least 0.125
//   low  += F * band                          Chamberlin state-variable filter,
//   high  = u - low - q * band                F = 2 sin(pi f / sr), q damping
//   band += F * high
//   e = u w_thru + high w_high + band w_band + low w_low
//
// The filter frequency f = (cutoff + 62.5) * 2^(depth * cos(lfo)) - 62.5, at
// least 0 and at most sr / 4; the damping q is held 1 % inside the filter's
// stability bound 2/F - F/2. The weights cross-fade through -> low -> band
// -> high -> through as the type goes from 0 to 4.
//
// The band update is evaluated in the equivalent form
//   band' = (band - (F^2 + q F) band) + F (u - low)
// in which one sample's band reaches the next through three operations
// rather than six (low, high, then band in the written order), so the
// recursion no longer sets the speed. Keeping F^2 + q F as a small number of
// its own loses none of the precision of the written order.
//
// Contract: coefficients are computed once per block (all the power, sine and
// cosine work is there); process() is multiplications, additions and
// comparisons only. reset() clears the filter state.
#pragma once

#include <cmath>

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

struct EchoCoefficients
{
    float drive;       // g
    float cubic;       // k
    float knee;        // c
    float makeUp;      // m
    float frequency;   // F
    float damping;     // q
    float bandLoss;    // F^2 + q F
    float wThru, wLow, wBand, wHigh;
};

struct EchoFilterState
{
    float low = 0.0f;
    float band = 0.0f;
    float high = 0.0f;  // recomputed every sample; kept for inspection only
};

// The filter frequency in Hz before the sr/4 limit (may be negative).
inline double echoFilterFrequency(float cutoff, float lfoDepth, float lfoPhase)
{
    return 62.5 * std::exp2(std::log2(1.0 + cutoff * 0.016) + lfoDepth * std::cos(static_cast<double>(lfoPhase))) -
           62.5;
}

inline EchoCoefficients computeEchoCoefficients(const EchoSettings& s)
{
    constexpr double pi = 3.14159265358979323846;
    EchoCoefficients c{};

    c.drive = 1.0f + s.saturationAmount * 1.3636364f;
    c.cubic = s.saturationShape * 0.14814815f;
    c.knee = 1.5f - c.cubic * 3.375f;
    // A drive of 0 or below has no meaningful inverse: the floor applies.
    const float inverse = c.drive > 0.0f ? 1.0f / c.drive : 0.0f;
    c.makeUp = inverse < 0.125f ? 0.125f : inverse;

    double f = echoFilterFrequency(s.cutoff, s.lfoDepth, s.lfoPhase);
    if (!(f > 0.0)) f = 0.0;
    double omega = pi * f / s.sampleRate;
    if (omega > pi / 4) omega = pi / 4;
    c.frequency = static_cast<float>(2.0 * std::sin(omega));

    // Q above 1 would mean negative damping and a filter that grows without
    // bound; below 0 the root is undefined.
    const double q = s.resonance < 0.0f ? 0.0 : s.resonance > 1.0f ? 1.0 : s.resonance;
    double damping = 2.0 * (1.0 - std::pow(q, 0.25));
    // The filter is stable while q < 2/F - F/2; at that bound a pole sits on
    // z = -1 and the filter rings at half the rate for ever (or grows, once
    // float rounding pushes it over). The limit keeps a 1 % margin inside.
    double limit = c.frequency > 0.0f ? 0.99 * (2.0 / c.frequency - c.frequency / 2.0) : 2.0;
    if (!(limit < 2.0)) limit = 2.0;
    if (damping > limit) damping = limit;
    c.damping = static_cast<float>(damping);
    c.bandLoss = c.frequency * c.frequency + c.damping * c.frequency;

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
    const float y = d * c.drive;
    float s;
    if (y >= 1.5f)
        s = c.knee;
    else if (y < -1.5f)
        s = -c.knee;
    else
        s = y - c.cubic * y * y * y;
    const float u = s * c.makeUp;

    const float low = state.low + c.frequency * state.band;
    const float high = u - low - c.damping * state.band;
    const float band = (state.band - c.bandLoss * state.band) + c.frequency * (u - state.low);
    state.low = low;
    state.high = high;
    state.band = band;
    switch (Response) {
    case EchoResponse::Thru: return u;
    case EchoResponse::Low: return low;
    case EchoResponse::Band: return band;
    case EchoResponse::High: return high;
    default: return u * c.wThru + high * c.wHigh + band * c.wBand + low * c.wLow;
    }
}

inline float processEcho(float d, const EchoCoefficients& c, EchoFilterState& state)
{
    return processEcho<EchoResponse::Blend>(d, c, state);
}
