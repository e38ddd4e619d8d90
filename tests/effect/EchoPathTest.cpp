// The echo path: drive, saturation with a knee, make-up gain, the state-variable
// filter and the cross-fade of its responses. Expected numbers were worked out
// by hand (the arithmetic is in the comments); the filter is compared with the
// transfer functions of its recurrences, derived below.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <utility>
#include <vector>

#include "dsp/EchoPath.h"

using namespace dsp;

namespace {

constexpr double kPi = 3.14159265358979323846;

EchoSettings settings(float cutoff = 1000.0f, float resonance = 0.5f, float type = 0.0f, float sampleRate = 44100.0f)
{
    EchoSettings s{};
    s.saturationAmount = 0.0f;  // with shape 0: g = m = 1, no curve, so u = d
    s.saturationShape = 0.0f;
    s.cutoff = cutoff;
    s.resonance = resonance;
    s.type = type;
    s.lfoDepth = 0.0f;
    s.lfoPhase = 0.0f;
    s.sampleRate = sampleRate;
    return s;
}

// Output for one input sample through a fresh filter: with type 0 that is u.
float shapeOf(float d, float amount, float shape)
{
    EchoSettings s = settings();
    s.saturationAmount = amount;
    s.saturationShape = shape;
    EchoFilterState state;
    return processEcho(d, computeEchoCoefficients(s), state);
}

std::vector<float> run(const EchoCoefficients& c, const std::vector<float>& input)
{
    EchoFilterState state;
    std::vector<float> out;
    for (float d : input) out.push_back(processEcho(d, c, state));
    return out;
}

// --- Transfer functions of the recurrences --------------------------------
// low[n]  = low[n-1] + F band[n-1]        L = F z^-1 B / (1 - z^-1)
// band[n] = band[n-1] + F high[n]         H = B (1 - z^-1) / F
// high[n] = u[n] - low[n] - q band[n-1]   H = U - L - q z^-1 B
// Putting the first two into the third and multiplying by F (1 - z^-1):
//   B [(1 - z^-1)^2 + F^2 z^-1 + q F z^-1 (1 - z^-1)] = F (1 - z^-1) U
//   D(z) = 1 + (F^2 + qF - 2) z^-1 + (1 - qF) z^-2
//   B/U = F (1 - z^-1) / D,  L/U = F^2 z^-1 / D,  H/U = (1 - z^-1)^2 / D
enum class Response { low, band, high };

std::complex<double> analytic(Response r, double F, double q, double omega)
{
    const std::complex<double> zi = std::polar(1.0, -omega);  // z^-1 on the unit circle
    const std::complex<double> D = 1.0 + (F * F + q * F - 2.0) * zi + (1.0 - q * F) * zi * zi;
    switch (r) {
    case Response::low: return F * F * zi / D;
    case Response::band: return F * (1.0 - zi) / D;
    case Response::high: break;
    }
    return (1.0 - zi) * (1.0 - zi) / D;
}

// The larger pole radius of 1 / D(z), from the quadratic z^2 + a1 z + a2.
double poleRadius(double F, double q)
{
    const double a1 = F * F + q * F - 2.0, a2 = 1.0 - q * F;
    const std::complex<double> root = std::sqrt(std::complex<double>(a1 * a1 - 4.0 * a2));
    return std::max(std::abs((-a1 + root) / 2.0), std::abs((-a1 - root) / 2.0));
}

// Complex amplitude of x over the window [start, start + period): the window is
// a whole number of periods of sin(2 pi k n / period), so sin and cos are
// orthogonal there and A sin(wn + p) gives A e^{jp}.
std::complex<double> phasor(const std::vector<float>& x, size_t start, int k, int period)
{
    double re = 0.0, im = 0.0;
    for (size_t n = start; n < start + period; ++n) {
        const double angle = 2.0 * kPi * static_cast<double>((k * n) % period) / period;
        re += x[n] * std::sin(angle);
        im += x[n] * std::cos(angle);
    }
    return {2.0 * re / period, 2.0 * im / period};
}

// --- Coefficients ---------------------------------------------------------

TEST(EchoPathCoefficients, FilterFrequencyFollowsCutoffLfoAndLimits)
{
    // (cutoff + 62.5) 2^(depth cos phase) - 62.5. The phase is a float: pi/3 and
    // pi/2 are off by up to 4e-8, which moves f by up to 1e-4 Hz.
    EXPECT_NEAR(echoFilterFrequency(1000.0f, 0.0f, 0.0f), 1000.0, 1e-9);
    EXPECT_NEAR(echoFilterFrequency(1000.0f, 1.0f, 0.0f), 2062.5, 1e-9);      // 1062.5 * 2 - 62.5
    EXPECT_NEAR(echoFilterFrequency(3000.0f, 1.0f, kPi), 1468.75, 1e-4);       // 3062.5 / 2 - 62.5
    EXPECT_NEAR(echoFilterFrequency(50.0f, -3.0f, 0.0f), -48.4375, 1e-9);      // 112.5 / 8 - 62.5
    EXPECT_NEAR(echoFilterFrequency(1000.0f, 2.0f, kPi / 3), 2062.5, 1e-4);    // cos = 1/2: one octave
    EXPECT_NEAR(echoFilterFrequency(1000.0f, 3.0f, kPi / 2), 1000.0, 1e-3);    // cos = 0: no change

    struct Case { float cutoff, depth, phase, sampleRate; double F; };
    const Case cases[] = {
        {1000, 0, 0, 44100, 0.1423553808},       // 2 sin(pi 1000 / 44100)
        {1000, 1, 0, 44100, 0.2928003055},       // f = 2062.5
        {200, 0, 0, 48000, 0.0261791911},
        {11000, 0, 0, 44100, 1.4116926798},      // just under sr/4: not limited
        {12000, 0, 0, 44100, 1.4142135624},      // limited to sr/4: sqrt 2
        {12000, 0, 0, 48000, 1.4142135624},      // exactly sr/4
        {12000, 3, 0, 44100, 1.4142135624},      // 3 octaves up, still sr/4
        {12000, 0, 0, 96000, 0.7653668647},      // 2 sin(pi/8)
        {50, -3, 0, 44100, 0.0},                 // negative frequency becomes 0
        {50, 3, static_cast<float>(kPi), 44100, 0.0},
    };
    for (const Case& c : cases) {
        EchoSettings s = settings(c.cutoff, 0.5f, 0.0f, c.sampleRate);
        s.lfoDepth = c.depth;
        s.lfoPhase = c.phase;
        // F is stored as a float: allow a few of its rounding steps.
        EXPECT_NEAR(computeEchoCoefficients(s).frequency, c.F, 3e-7 * c.F)
            << "cutoff " << c.cutoff << " depth " << c.depth << " rate " << c.sampleRate;
    }
}

TEST(EchoPathCoefficients, DampingFromQLimitedForStability)
{
    // 2 (1 - Q^0.25) where 2/F - F/2 (at most 2) does not bind: F ~ 0.142.
    struct Case { float resonance; double q; };
    const Case cases[] = {
        {1.0f, 0.0}, {0.9f, 0.0519925071}, {0.5f, 0.3182071695}, {0.3f, 0.5198343910},
        {0.1f, 0.8753173496}, {0.01f, 1.3675444680}, {0.0f, 2.0},
        {1.5f, 0.0}, {4.0f, 0.0}, {-0.5f, 2.0}, {-10.0f, 2.0},  // extrapolated Q, clamped to 0..1
    };
    for (const Case& c : cases) {
        const float q = computeEchoCoefficients(settings(1000.0f, c.resonance)).damping;
        EXPECT_FALSE(std::isnan(q)) << "Q " << c.resonance;
        EXPECT_GE(q, 0.0f) << "Q " << c.resonance;
        EXPECT_NEAR(q, c.q, 2e-7) << "Q " << c.resonance;
    }

    // At sr/4, F = sqrt 2 and the stability bound is 2/sqrt2 - sqrt2/2 =
    // sqrt2/2; the limit stays 1 % inside it: 0.99 sqrt2/2.
    for (float resonance : {0.01f, 0.1f, 0.0f, -3.0f})
        EXPECT_NEAR(computeEchoCoefficients(settings(12000.0f, resonance)).damping, 0.7000357134, 2e-7)
            << "Q " << resonance;
    EXPECT_NEAR(computeEchoCoefficients(settings(12000.0f, 0.3f)).damping, 0.5198343910, 2e-7);  // under it
    EXPECT_EQ(computeEchoCoefficients(settings(12000.0f, 7.0f)).damping, 0.0f);

    // F = 0 (cutoff 50, three octaves down): the limit is 2.
    EchoSettings zero = settings(50.0f, -1.0f);
    zero.lfoDepth = -3.0f;
    EXPECT_EQ(computeEchoCoefficients(zero).frequency, 0.0f);
    EXPECT_NEAR(computeEchoCoefficients(zero).damping, 2.0, 1e-7);
}

TEST(EchoPathCoefficients, DriveKneeAndMakeUp)
{
    // g = 1 + amount 15/11; m = 1/g, at least 1/8 (from g = 8, amount 77/15).
    struct Case { float amount; double drive, makeUp; };
    const Case cases[] = {
        {0.0f, 1.0, 1.0},          {2.2f, 4.0, 0.25},         {5.0f, 86.0 / 11, 11.0 / 86},
        {77.0f / 15, 8.0, 0.125},  {5.5f, 8.5, 0.125},        {6.0f, 101.0 / 11, 0.125},
        {11.0f, 16.0, 0.125},      // not 1/16
    };
    for (const Case& c : cases) {
        EchoSettings s = settings();
        s.saturationAmount = c.amount;
        const EchoCoefficients k = computeEchoCoefficients(s);
        EXPECT_NEAR(k.drive, c.drive, 1e-6 * c.drive) << "amount " << c.amount;
        EXPECT_NEAR(k.makeUp, c.makeUp, 1e-6 * c.makeUp) << "amount " << c.amount;
    }

    // Extrapolated amounts: a drive near 0 or negative still gives a finite make-up.
    for (float amount : {-11.0f / 15, -1.0f, -5.0f, -100.0f}) {
        EchoSettings s = settings();
        s.saturationAmount = amount;
        const EchoCoefficients k = computeEchoCoefficients(s);
        EXPECT_TRUE(std::isfinite(k.makeUp)) << "amount " << amount;
        EXPECT_TRUE(std::isfinite(shapeOf(0.01f, amount, 0.0f))) << "amount " << amount;
    }
    {
        EchoSettings s = settings();
        s.saturationAmount = -0.5f;  // g = 1 - 7.5/11 = 3.5/11
        EXPECT_NEAR(computeEchoCoefficients(s).makeUp, 11.0 / 3.5, 1e-5);
    }

    // k = shape 4/27, knee c = 1.5 - shape/2.
    for (float shape : {0.0f, 0.25f, 0.5f, 1.0f}) {
        EchoSettings s = settings();
        s.saturationShape = shape;
        const EchoCoefficients k = computeEchoCoefficients(s);
        EXPECT_NEAR(k.cubic, shape * 4.0 / 27, 1e-7);
        EXPECT_NEAR(k.knee, 1.5 - shape / 2.0, 1e-6);
    }

    // Through the path (type 0 passes u): shape 0 is linear below the clip.
    EXPECT_NEAR(shapeOf(0.3f, 2.2f, 0.0f), 0.3, 1e-6);      // 1.2 * 1/4
    EXPECT_NEAR(shapeOf(0.5f, 2.2f, 0.0f), 0.375, 1e-6);    // 2.0 clipped to 1.5, * 1/4
    EXPECT_NEAR(shapeOf(0.05f, 11.0f, 0.0f), 0.1, 1e-6);    // 0.8 * 1/8: make-up floor doubles it
    EXPECT_NEAR(shapeOf(-0.2f, 11.0f, 0.0f), -0.1875, 1e-6);  // -3.2 clipped to -1.5, * 1/8
}

// --- Saturation -------------------------------------------------------------

TEST(EchoPathSaturation, CurveKneeAndContinuity)
{
    // Amount 0 (g = m = 1): the output is the curve itself.
    EXPECT_EQ(shapeOf(1.4f, 0, 0), 1.4f);  // shape 0: a straight line ...
    EXPECT_EQ(shapeOf(-1.49f, 0, 0), -1.49f);
    EXPECT_EQ(shapeOf(1.6f, 0, 0), 1.5f);  // ... clipped hard at +-1.5
    EXPECT_EQ(shapeOf(-7.0f, 0, 0), -1.5f);

    // Shape 1 is not transparent even without drive: y - (4/27) y^3.
    EXPECT_NEAR(shapeOf(1.0f, 0, 1), 23.0 / 27, 1e-6);
    EXPECT_NEAR(shapeOf(-1.0f, 0, 1), -23.0 / 27, 1e-6);
    EXPECT_NEAR(shapeOf(0.5f, 0, 1), 0.5 - 4.0 / 27 / 8, 1e-6);
    EXPECT_NEAR(shapeOf(1.0f, 0, 0.5f), 25.0 / 27, 1e-6);  // k = 2/27
    for (float d : {1.5f, 2.0f, 3.0f, 100.0f}) {
        EXPECT_NEAR(shapeOf(d, 0, 1), 1.0, 1e-6) << d;  // held at +-1
        EXPECT_NEAR(shapeOf(-d, 0, 1), -1.0, 1e-6) << d;
    }

    // Continuous at |y| = 1.5 for every shape: just inside, on and just outside
    // the knee all give +-c = +-(1.5 - shape/2); the slope there is 1 - shape.
    const float h = 1.0f / 1024;
    for (float shape : {0.0f, 0.3f, 0.5f, 0.8f, 1.0f}) {
        const double c = 1.5 - shape / 2.0;
        for (float d : {std::nextafter(1.5f, 0.0f), 1.5f, std::nextafter(1.5f, 2.0f)}) {
            EXPECT_NEAR(shapeOf(d, 0, shape), c, 1e-6) << "shape " << shape << " at " << d;
            EXPECT_NEAR(shapeOf(-d, 0, shape), -c, 1e-6) << "shape " << shape << " at " << -d;
        }
        // Beyond the knee the level is held; inside it the curve would differ
        // (for shape 0.5 at 1.515625 by 0.008).
        for (float d : {1.5f + 1.0f / 64, 1.7f, 2.5f}) {
            EXPECT_NEAR(shapeOf(d, 0, shape), c, 1e-6) << "shape " << shape << " at " << d;
            EXPECT_NEAR(shapeOf(-d, 0, shape), -c, 1e-6) << "shape " << shape << " at " << -d;
        }
        // Difference quotient: the curvature (4/3) shape adds up to h * 2/3.
        const double slope = (shapeOf(1.5f, 0, shape) - shapeOf(1.5f - h, 0, shape)) / h;
        EXPECT_NEAR(slope, 1.0 - shape, 1e-3) << "shape " << shape;
    }
}

// --- Response mix -----------------------------------------------------------

TEST(EchoPathMix, TypeWeightsCrossFadeThePureResponses)
{
    struct Case { float type; double thru, low, band, high; };
    const Case cases[] = {
        {0.0f, 1, 0, 0, 0},      {0.5f, 0.5, 0.5, 0, 0},  {1.0f, 0, 1, 0, 0},   {1.3f, 0, 0.7, 0.3, 0},
        {2.0f, 0, 0, 1, 0},      {2.6f, 0, 0, 0.4, 0.6},  {3.0f, 0, 0, 0, 1},   {3.75f, 0.75, 0, 0, 0.25},
        {4.0f, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const EchoCoefficients k = computeEchoCoefficients(settings(1000.0f, 0.5f, c.type));
        EXPECT_NEAR(k.wThru, c.thru, 1e-6) << "type " << c.type;
        EXPECT_NEAR(k.wLow, c.low, 1e-6) << "type " << c.type;
        EXPECT_NEAR(k.wBand, c.band, 1e-6) << "type " << c.type;
        EXPECT_NEAR(k.wHigh, c.high, 1e-6) << "type " << c.type;
    }

    // A fractional type's output is the weighted sum of the two pure responses
    // run on the same input (driven into the curve so u is not the input).
    std::vector<float> input;
    uint32_t seed = 12345;
    for (int n = 0; n < 2000; ++n) {
        seed = seed * 1664525u + 1013904223u;
        input.push_back(static_cast<float>(seed >> 8) / (1 << 24) * 0.8f - 0.4f + (n % 400 < 200 ? 0.3f : -0.3f));
    }
    auto output = [&](float type) {
        EchoSettings s = settings(2500.0f, 0.3f, type);
        s.saturationAmount = 3.0f;
        s.saturationShape = 0.7f;
        return run(computeEchoCoefficients(s), input);
    };
    struct Blend { float type, pureA; double weightA; float pureB; double weightB; };
    const Blend blends[] = {
        {0.5f, 0, 0.5, 1, 0.5}, {1.3f, 1, 0.7, 2, 0.3}, {2.6f, 2, 0.4, 3, 0.6}, {3.75f, 3, 0.25, 0, 0.75},
    };
    for (const Blend& b : blends) {
        const std::vector<float> mixed = output(b.type), a = output(b.pureA), c = output(b.pureB);
        double worst = 0.0;
        for (size_t n = 0; n < input.size(); ++n) {
            const double expected = b.weightA * a[n] + b.weightB * c[n];
            // Float weights and a four-term float sum: a few 1e-7 of the terms' size.
            const double scale = std::abs(a[n]) + std::abs(c[n]) + 1e-3;
            worst = std::max(worst, std::abs(mixed[n] - expected) / scale);
        }
        EXPECT_LT(worst, 3e-7) << "type " << b.type;
    }
}

// --- Filter -----------------------------------------------------------------

TEST(EchoPathFilter, PureResponsesMatchTheTransferFunctions)
{
    // Each setting with test frequencies k sr / period: whole periods in the window.
    struct Setting { float cutoff, depth, phase, resonance, sampleRate; int period; std::vector<int> ks; };
    const Setting cases[] = {
        {1000, 0, 0, 0.5f, 44100, 4410, {25, 100, 400, 1500}},           // 250, 1000, 4000, 15000 Hz
        {200, 0, 0, 0.9f, 48000, 4800, {5, 20, 80, 1000}},               // light damping, resonant
        {12000, 0, 0, 0.3f, 44100, 4410, {100, 500, 1102, 2000}},        // F limited to sqrt 2
        {3000, 1, static_cast<float>(kPi), 0.1f, 96000, 9600, {10, 147, 600, 3000}},  // f = 1468.75
        {1000, 0, 0, 0.01f, 44100, 4410, {10, 100, 1000, 2200}},         // heavy damping
    };
    const double amplitude = 0.1;
    for (const Setting& c : cases) {
        EchoSettings s = settings(c.cutoff, c.resonance, 0.0f, c.sampleRate);
        s.lfoDepth = c.depth;
        s.lfoPhase = c.phase;
        const double F = computeEchoCoefficients(s).frequency, q = computeEchoCoefficients(s).damping;
        // One second to settle: the transient must have fallen below 1e-9.
        const int settle = static_cast<int>(c.sampleRate);
        ASSERT_LT(std::pow(poleRadius(F, q), settle), 1e-9) << "cutoff " << c.cutoff;

        for (int k : c.ks) {
            std::vector<float> input;
            for (int n = 0; n < settle + c.period; ++n)
                input.push_back(static_cast<float>(amplitude * std::sin(2.0 * kPi * ((k * n) % c.period) / c.period)));
            // The input is that sine: amplitude 0.1, phase 0.
            const std::complex<double> reference = phasor(input, settle, k, c.period);
            ASSERT_NEAR(std::abs(reference), amplitude, 1e-8);
            ASSERT_NEAR(std::arg(reference), 0.0, 1e-7);

            const double omega = 2.0 * kPi * k / c.period;
            const std::pair<Response, float> responses[] = {
                {Response::low, 1.0f}, {Response::band, 2.0f}, {Response::high, 3.0f}};
            for (const auto& [response, type] : responses) {
                s.type = type;
                const std::complex<double> measured =
                    phasor(run(computeEchoCoefficients(s), input), settle, k, c.period) / amplitude;
                const std::complex<double> expected = analytic(response, F, q, omega);
                // Float rounding (2^-24 ~ 6e-8 per operation) in the input, the states
                // and the sums, lifted by the resonance (gains up to ~20 here): 2e-6
                // relative. As a complex difference it bounds both the magnitude error
                // and the phase error (in radians).
                const double tolerance = 2e-6 * std::max(std::abs(expected), 1e-3);
                EXPECT_LT(std::abs(measured - expected), tolerance)
                    << "cutoff " << c.cutoff << " Q " << c.resonance << " rate " << c.sampleRate << " at "
                    << k * c.sampleRate / c.period << " Hz, type " << type << ": |H| " << std::abs(measured)
                    << " vs " << std::abs(expected) << ", phase " << std::arg(measured) << " vs "
                    << std::arg(expected);
            }
        }
    }
}

TEST(EchoPathFilter, StateHoldsRingsAndResets)
{
    // F = 0 (cutoff 50, three octaves down): low and band keep their values and
    // high follows the input: high = u - 0.25 - q (-0.125), q = 0.3182071695.
    {
        EchoSettings s = settings(50.0f, 0.5f);
        s.lfoDepth = -3.0f;
        const EchoCoefficients c = computeEchoCoefficients(s);
        EchoFilterState state;
        state.low = 0.25f;
        state.band = -0.125f;
        for (float d : {0.0f, 0.5f, -0.3f, 1.0f, 0.2f}) {
            processEcho(d, c, state);
            EXPECT_EQ(state.low, 0.25f);
            EXPECT_EQ(state.band, -0.125f);
            EXPECT_NEAR(state.high, d - 0.25 + 0.0397758962, 1e-6) << d;
        }
    }

    // Q 1 is undamped: an impulse makes low ring at f with a constant amplitude,
    // low[n] = 2 tan(theta/2) sin(n theta), theta = 2 pi f / sr (the poles of
    // 1/D sit at e^{+-j theta} with cos theta = 1 - F^2/2, F = 2 sin(theta/2)).
    // k periods of f last `period` samples: 10 of 1000 Hz in 441, 55 of 2062.5 Hz in 1176.
    struct Ring { float cutoff, depth; double f, amplitude; int k, period; };
    for (const Ring& r : {Ring{1000, 0, 1000, 0.1427173617, 10, 441}, Ring{1000, 1, 2062.5, 0.2959894581, 55, 1176}}) {
        EchoSettings s = settings(r.cutoff, 1.0f, 1.0f);
        s.lfoDepth = r.depth;
        std::vector<float> impulse(44100, 0.0f);
        impulse[0] = 1.0f;
        const std::vector<float> low = run(computeEchoCoefficients(s), impulse);
        const double theta = 2.0 * kPi * r.f / 44100;
        double worst = 0.0;
        for (size_t n = 0; n < low.size(); ++n) worst = std::max(worst, std::abs(low[n] - r.amplitude * std::sin(n * theta)));
        // F is a float (rounded by up to 6e-8 of itself): over one second that can
        // shift the phase by up to 8e-4 rad; rounding in the loop adds less.
        EXPECT_LT(worst, 1e-3 * r.amplitude) << r.f << " Hz";
        // No decay: the amplitude over the last whole periods equals that of the first.
        const size_t last = (low.size() / r.period - 1) * r.period;
        EXPECT_NEAR(std::abs(phasor(low, 0, r.k, r.period)), r.amplitude, 1e-4 * r.amplitude) << r.f << " Hz";
        EXPECT_NEAR(std::abs(phasor(low, last, r.k, r.period)), r.amplitude, 1e-3 * r.amplitude) << r.f << " Hz";
    }

    // At sr/4 (F = sqrt 2, q = 0) by hand: low 0, 2, 0, -2, ...; band sqrt2, -sqrt2, -sqrt2, sqrt2, ...
    const EchoCoefficients quarter = computeEchoCoefficients(settings(12000.0f, 1.0f, 1.0f));
    EchoFilterState state;
    const double lows[] = {0, 2, 0, -2}, bands[] = {1.4142135624, -1.4142135624, -1.4142135624, 1.4142135624};
    std::vector<float> first;
    for (int n = 0; n < 400; ++n) {
        first.push_back(processEcho(n == 0 ? 1.0f : 0.0f, quarter, state));
        // Undamped, rounding errors (~2.4e-7 at magnitude 2) stay and add up:
        // checked over ten periods, at most 40 of them.
        if (n >= 40) continue;
        ASSERT_NEAR(state.low, lows[n % 4], 1e-5) << n;
        ASSERT_NEAR(state.band, bands[n % 4], 1e-5) << n;
    }
    // A fresh state forgets everything: the impulse response repeats exactly.
    EXPECT_NE(state.band, 0.0f);
    state = EchoFilterState{};
    EXPECT_EQ(state.low, 0.0f);
    EXPECT_EQ(state.band, 0.0f);
    for (int n = 0; n < 400; ++n) EXPECT_EQ(processEcho(n == 0 ? 1.0f : 0.0f, quarter, state), first[n]) << n;
}

}  // namespace

TEST(EchoPathFilter, HeavyDampingAtTheTopFrequencyStaysStable)
{
    // At a quarter of the rate with heavy damping the damping limit applies.
    // Exactly on the stability bound a pole would sit at z = -1: a signal at
    // half the rate would build up without end. Inside it, the response to
    // that signal settles to a fixed size and an impulse dies away.
    for (float cutoff : {12000.0f, 8000.0f}) {
        for (float type : {1.0f, 2.0f, 3.0f}) {
            SCOPED_TRACE(::testing::Message() << "cutoff " << cutoff << " type " << type);
            const EchoCoefficients c = computeEchoCoefficients(settings(cutoff, 0.01f, type));
            ASSERT_LT(c.damping * c.frequency, 2.0f - c.frequency * c.frequency / 2.0f);
            EchoFilterState state;
            float early = 0.0f, late = 0.0f;
            for (int n = 0; n < 441000; ++n) {
                const float out = std::fabs(processEcho(n % 2 ? -0.01f : 0.01f, c, state));
                if (n >= 4410 && n < 8820) early = std::max(early, out);
                if (n >= 441000 - 4410) late = std::max(late, out);
            }
            EXPECT_LT(late, early * 1.0001f + 1e-6f);  // no growth from 0.1 s to 10 s

            EchoFilterState impulse;
            float tail = 0.0f;
            for (int n = 0; n < 44100; ++n) {
                const float out = std::fabs(processEcho(n == 0 ? 0.01f : 0.0f, c, impulse));
                if (n >= 44100 - 100) tail = std::max(tail, out);
            }
            EXPECT_LT(tail, 1e-9f);
        }
    }
}
