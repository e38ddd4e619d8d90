// The library's blocks through their own entry points, against values
// worked out by hand from the equations in their headers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "dsp/DcTracker.h"
#include "dsp/ReverseSweep.h"
#include "dsp/Saturator.h"
#include "dsp/StateVariableFilter.h"
#include "dsp/TimeBase.h"

using namespace dsp;

TEST(DcTracker, StepResponseDecaysByRAndResetKeepsR)
{
    DcTracker tracker;
    tracker.setSampleRate(504.0f);  // R = 1 - 126/504 = 0.75, exact in binary
    const float expected[] = {1.0f, 0.75f, 0.5625f, 0.421875f};
    for (float t : expected) EXPECT_EQ(tracker.process(1.0f), t);
    EXPECT_EQ(tracker.process(0.0f), -1.0f + 0.75f * 0.421875f);

    tracker.reset();
    EXPECT_EQ(tracker.process(1.0f), 1.0f);
    EXPECT_EQ(tracker.process(1.0f), 0.75f);

    EXPECT_FLOAT_EQ(DcTracker::coefficientFor(44100.0f), 0.99714286f);
}

TEST(Saturator, DriveKneeCubicAndMakeUp)
{
    Saturator smooth;
    smooth.set(0.0f, 1.0f);  // g = 1, k = 4/27, c = 1.5 - 0.5 = 1, m = 1
    EXPECT_FLOAT_EQ(smooth.knee, 1.0f);
    EXPECT_FLOAT_EQ(smooth.process(0.5f), 0.5f - 0.125f * 4.0f / 27.0f);
    EXPECT_NEAR(smooth.process(1.4999f), smooth.knee, 1e-4);  // the cubic meets the knee
    EXPECT_EQ(smooth.process(1.5f), smooth.knee);
    EXPECT_EQ(smooth.process(-7.0f), -smooth.knee);

    Saturator hard;
    hard.set(11.0f, 0.0f);  // g = 16, k = 0, c = 1.5, m = 1/16 held at 0.125
    EXPECT_FLOAT_EQ(hard.drive, 16.0f);
    EXPECT_EQ(hard.makeUp, 0.125f);
    EXPECT_FLOAT_EQ(hard.process(0.05f), 0.1f);
    EXPECT_EQ(hard.process(1.0f), 0.1875f);
    EXPECT_EQ(hard.process(-1.0f), -0.1875f);

    Saturator middle;
    middle.set(2.2f, 0.0f);  // g = 4, m = 1/4: below the knee the make-up undoes the drive
    EXPECT_FLOAT_EQ(middle.process(0.1f), 0.1f);
    middle.set(5.5f, 0.0f);  // g = 8.5: 1/g is below the floor, m = 0.125
    EXPECT_FLOAT_EQ(middle.process(0.1f), 0.85f * 0.125f);

    EXPECT_TRUE(std::isnan(middle.process(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_EQ(Saturator{}.process(0.3f), 0.0f);
}

TEST(StateVariableFilter, UndampedAtASixthOfTheRateRingsWithPeriodSix)
{
    // f = sr/6: F = 2 sin(pi/6) = 1; Q = 1: q = 0, so F^2 + qF = 1. The
    // written order (low += F band; high = u - low - q band; band += F high)
    // worked by hand from an impulse:
    FilterCoefficients c;
    c.set(8000.0, 1.0f, 48000.0f);
    EXPECT_EQ(c.frequency, 1.0f);
    EXPECT_EQ(c.damping, 0.0f);
    EXPECT_EQ(c.bandLoss, 1.0f);
    const float low[] = {0, 1, 1, 0, -1, -1, 0, 1};
    const float high[] = {1, -1, -1, 0, 1, 1, 0, -1};
    const float band[] = {1, 0, -1, -1, 0, 1, 1, 0};
    FilterState s;
    for (int n = 0; n < 8; ++n) {
        processFilter(n == 0 ? 1.0f : 0.0f, c, s);
        EXPECT_EQ(s.low, low[n]) << n;
        EXPECT_EQ(s.high, high[n]) << n;
        EXPECT_EQ(s.band, band[n]) << n;
    }
}

TEST(StateVariableFilter, FrequencyAndDampingLimits)
{
    FilterCoefficients c;
    // Above sr/4 the frequency is held there: F = 2 sin(pi/4) = sqrt 2.
    // Q = 0.01 asks q = 2 (1 - 0.01^(1/4)) = 1.3675; the bound
    // 0.99 (2/F - F/2) = 0.99 / sqrt 2 = 0.70004 holds it.
    c.set(30000.0, 0.01f, 44100.0f);
    EXPECT_FLOAT_EQ(c.frequency, 1.4142135f);
    EXPECT_NEAR(c.damping, 0.7000357, 1e-6);
    // Within the bound the damping is the formula's.
    c.set(1000.0, 0.01f, 44100.0f);
    EXPECT_NEAR(c.damping, 1.3675445, 1e-6);
    // A negative frequency is 0: no filtering motion, the greatest damping.
    c.set(-5.0, 0.5f, 44100.0f);
    EXPECT_EQ(c.frequency, 0.0f);
    EXPECT_EQ(c.bandLoss, 0.0f);
    EXPECT_NEAR(c.damping, 2.0 * (1.0 - std::pow(0.5, 0.25)), 1e-6);
}

TEST(ReverseSweep, PlaysTheWindowBackwardsAndKeepsItsLineOnABadRate)
{
    ReverseSweep sweep;
    ASSERT_TRUE(sweep.setSampleRate(44100.0f));
    EXPECT_EQ(sweep.bufferCells(), 44100u * 30u + 16u);

    // Echo only, no feedback, a straight echo path (type "through", no drive,
    // no cubic): each sweep reads back what the previous one wrote, where no
    // fade applies (16 cells and more from either end) exactly the input.
    const SweepBlock block{0.0f, 0.0f, 1.0f, EchoSettings{0.0f, 0.0f, 1000.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f}};
    constexpr int L = 40;
    std::vector<float> x(2 * L), out(2 * L, -1.0f);
    for (int n = 0; n < 2 * L; ++n) x[n] = static_cast<float>(n + 1) / 1024.0f;
    sweep.process(x.data(), out.data(), 2 * L, block, L);
    // Forward over cells 0..39 (frames 0..39), then back from 40 (frames 40..79).
    for (int n = 0; n < L; ++n) EXPECT_EQ(out[n], 0.0f) << n;
    for (int j = ReverseSweep::kFadeSamples; j <= L - ReverseSweep::kFadeSamples; ++j) EXPECT_EQ(out[L + j], x[L - j]) << j;
    EXPECT_EQ(sweep.position(), 0);
    EXPECT_TRUE(sweep.forward());

    const float* line = sweep.buffer();
    EXPECT_FALSE(sweep.setSampleRate(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(sweep.buffer(), line);
    EXPECT_EQ(sweep.sampleRate(), 44100.0f);

    sweep.reset();
    EXPECT_EQ(sweep.buffer()[20], 0.0f);
    EXPECT_EQ(sweep.filterState().band, 0.0f);
}

// At 48 kHz and 120 BPM: three 1/8 triplets last 3 * 2^-3 * 160 / 120 = 0.5 s
// (24000 samples); a 1/4 LFO of 2 beats turns once a second, so 12000 frames
// advance it a quarter turn. Without a tempo the free settings apply.
TEST(TimeBase, SyncedAndFreeLengthsTheLfoStepAndItsRestart)
{
    dsp::TimeBase timeBase;
    timeBase.setSampleRate(48000.0f);
    dsp::TimeBaseSettings s;
    s.tempo = 120.0;
    s.delayFollowsHost = s.lfoFollowsHost = s.triplet = true;
    s.beats = 3.0f;
    s.divisor = 3.0f;
    s.lfoBeats = 2.0f;
    s.lfoDivisor = 2.0f;
    EXPECT_TRUE(timeBase.process(s, 12000));
    EXPECT_EQ(timeBase.delayLength(), 24000);
    EXPECT_FLOAT_EQ(timeBase.lfoPhase(), dsp::timebase::kTwoPi / 4.0f);
    EXPECT_FALSE(timeBase.process(s, 0)) << "same length: no change reported";

    s.tempo = std::numeric_limits<double>::quiet_NaN();  // no usable tempo
    s.delaySeconds = 0.25;
    s.lfoRate = 0.0;
    EXPECT_TRUE(timeBase.process(s, 12000));
    EXPECT_EQ(timeBase.delayLength(), 12000);
    EXPECT_FLOAT_EQ(timeBase.lfoPhase(), dsp::timebase::kTwoPi / 4.0f) << "rate 0 holds the phase";

    s.restartLfo = true;
    s.lfoRate = 5.0;
    timeBase.process(s, 12000);
    EXPECT_EQ(timeBase.lfoPhase(), 0.0f) << "a restart does not advance in its own block";
    timeBase.reset();
    EXPECT_EQ(timeBase.delayLength(), 1);
}
