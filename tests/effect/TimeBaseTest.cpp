// Tempo sync, the LFO, the triggers and the waveform columns, per block.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dsp/TimeBase.h"
#include "tests/effect/EffectRig.h"

using namespace dsp;

namespace {

void giveTempo(EffectRig& rig, double tempo, int32_t flags = kVstTempoValid)
{
    rig.host.giveTime = true;
    rig.host.time.tempo = tempo;
    rig.host.time.flags = flags;
}

void runFrames(EffectRig& rig, unsigned frames, unsigned block = 512)
{
    std::vector<float> buffer(block, 0.0f), out(block);
    while (frames > 0) {
        const unsigned n = std::min(frames, block);
        rig.block(buffer.data(), buffer.data(), out.data(), out.data(), n);
        frames -= n;
    }
}

}  // namespace

TEST(TimeBase, DelayFollowsTheHostTempo)
{
    struct Case
    {
        double tempo;
        float beats, divisor, triplet;
        int32_t expected;
    };
    const Case cases[] = {
        {120.0, 4, 2, 0, 88200},      // four quarter notes at 120: 2 s
        {120.0, 4, 2, 1, 58800},      // as triplets: 4/3 s
        {30.0, 16, 0, 0, 1323000},    // sixteen whole notes at 30: 128 s, cut to 30
        {90.0, 3, 3, 0, 44100},       // three eighths at 90: 1 s
        {0.0, 4, 2, 0, 1323000},      // a valid tempo of 0: unbounded, cut to 30 s
        {140.0, 1, 5, 1, 1575},       // a 1/32 triplet at 140: 160/32/140 s = 1575 samples
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tempo);
        EffectRig rig;
        rig.effect.setValue(kHostTempo, 1.0f);
        rig.effect.setValue(kBeats, c.beats);
        rig.effect.setValue(kBeatDivisor, c.divisor);
        rig.effect.setValue(kTriplet, c.triplet);
        giveTempo(rig, c.tempo);
        runFrames(rig, 64);
        EXPECT_EQ(rig.effect.delayLength(), c.expected);
    }
}

TEST(TimeBase, WithoutAUsableTempoTheFreeSettingsApply)
{
    const double bad[] = {-120.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
    for (double tempo : bad) {
        EffectRig rig;
        rig.effect.setValue(kHostTempo, 1.0f);
        rig.effect.setValue(kDelayTime, 0.5f);
        giveTempo(rig, tempo);
        runFrames(rig, 64);
        EXPECT_EQ(rig.effect.delayLength(), 22050) << tempo;
    }
    EffectRig noFlag;
    noFlag.effect.setValue(kHostTempo, 0.01f);  // any value but 0 is on
    giveTempo(noFlag, 120.0, kVstPpqPosValid);
    runFrames(noFlag, 64);
    EXPECT_EQ(noFlag.effect.delayLength(), 44100);
    EXPECT_EQ(noFlag.host.timeRequests, 1);

    EffectRig noHostAnswer;
    noHostAnswer.effect.setValue(kHostTempo, 1.0f);
    runFrames(noHostAnswer, 64);
    EXPECT_EQ(noHostAnswer.effect.delayLength(), 44100);

    // Nobody asks the host while neither switch is on.
    EffectRig unsynced;
    giveTempo(unsynced, 120.0);
    runFrames(unsynced, 64);
    EXPECT_EQ(unsynced.host.timeRequests, 0);
}

TEST(TimeBase, DelayLengthRounding)
{
    EffectRig rig;
    rig.setSampleRate(48000.0f);
    runFrames(rig, 16);
    EXPECT_EQ(rig.effect.delayLength(), 48000);
    rig.effect.setValue(kDelayTime, 0.00001f);  // 0.48 + 0.5 rounds to 0: raised to 1
    runFrames(rig, 16);
    EXPECT_EQ(rig.effect.delayLength(), 1);
    rig.effect.setValue(kDelayTime, 0.0f);
    runFrames(rig, 16);
    EXPECT_EQ(rig.effect.delayLength(), 1);
    rig.effect.setValue(kDelayTime, 29.99999f);
    runFrames(rig, 16);
    EXPECT_EQ(rig.effect.delayLength(), 1440000);
    EXPECT_EQ(timebase::delayLengthSamples(0.00001, 44100.0f), 1);  // 0.441 + 0.5
    EXPECT_EQ(timebase::delayLengthSamples(1e300, 44100.0f), 1323000);
    EXPECT_EQ(timebase::delayLengthSamples(-5.0, 44100.0f), 1);
    EXPECT_EQ(timebase::delayLengthSamples(std::nan(""), 44100.0f), 1);
}

TEST(TimeBase, LfoPhaseAdvancesOverEachBlock)
{
    // 0.2 Hz free-running: after one second the phase is a fifth of a turn.
    EffectRig rig;
    runFrames(rig, 44100, 441);
    EXPECT_NEAR(rig.display().lfoPhase, 0.2f, 1e-4);
    EXPECT_NEAR(rig.effect.lfoPhase(), 0.2 * 2 * 3.14159265358979, 1e-3);

    // Synced: four quarters at 120 BPM is 0.5 Hz, so one second is half a turn.
    EffectRig synced;
    synced.effect.setValue(kLfoHostTempo, 1.0f);
    giveTempo(synced, 120.0);
    EXPECT_NEAR(timebase::syncedLfoRate(120.0, 4, 2, false), 0.5, 1e-12);
    runFrames(synced, 44100, 441);
    EXPECT_NEAR(synced.display().lfoPhase, 0.5f, 1e-4);
    // Three more seconds: 2 turns in all, so back near 0, never 1 or more.
    runFrames(synced, 3 * 44100, 441);
    const float phase = synced.display().lfoPhase;
    EXPECT_TRUE(phase < 1e-3f || phase > 1.0f - 1e-3f) << phase;
    EXPECT_LT(phase, 1.0f);

    // A valid tempo of 0 gives a synced rate of 0: the free rate applies.
    EffectRig zero;
    zero.effect.setValue(kLfoHostTempo, 1.0f);
    giveTempo(zero, 0.0);
    runFrames(zero, 44100, 441);
    EXPECT_NEAR(zero.display().lfoPhase, 0.2f, 1e-4);
}

TEST(TimeBase, LfoStepsThatAreHugeOrNotNumbersStayBounded)
{
    const float twoPi = timebase::kTwoPi;
    EXPECT_EQ(timebase::advanceLfoPhase(1.0f, std::numeric_limits<double>::infinity(), 512, 44100.0f), 1.0f);
    EXPECT_EQ(timebase::advanceLfoPhase(1.0f, std::nan(""), 512, 44100.0f), 1.0f);
    for (double rate : {1e30, 1e12, 123456.0, -3.0, -1e20}) {
        const float phase = timebase::advanceLfoPhase(0.5f, rate, 8192, 44100.0f);
        EXPECT_GE(phase, 0.0f) << rate;
        EXPECT_LT(phase, twoPi) << rate;
    }
    // In range, exactly one turn is taken off.
    const float step = 20.0f * (512.0f / 44100.0f) * twoPi;
    EXPECT_EQ(timebase::advanceLfoPhase(6.0f, 20.0, 512, 44100.0f), 6.0f + step - twoPi);
    // Synced beats of 0 (an extrapolated host value) give an infinite rate.
    EffectRig rig;
    rig.effect.setValue(kLfoHostTempo, 1.0f);
    rig.effect.setValue(kLfoBeats, 0.0f);
    giveTempo(rig, 120.0);
    runFrames(rig, 1024);
    EXPECT_TRUE(std::isfinite(rig.effect.lfoPhase()));
}

TEST(TimeBase, TriggersResetThemselvesAndAskTheHostToRefresh)
{
    EffectRig rig;
    runFrames(rig, 30000);
    EXPECT_GT(rig.display().lfoPhase, 0.0f);
    rig.effect.setParameter(kLfoResync, 1.0f);
    EXPECT_EQ(rig.host.updateDisplays(), 0);
    runFrames(rig, 512);
    EXPECT_EQ(rig.display().lfoPhase, 0.0f);  // the phase does not advance in that block
    EXPECT_EQ(rig.effect.getParameter(kLfoResync), 0.0f);
    EXPECT_EQ(rig.host.updateDisplays(), 1);
    runFrames(rig, 512);
    EXPECT_GT(rig.display().lfoPhase, 0.0f);
    EXPECT_EQ(rig.host.updateDisplays(), 1);

    rig.effect.setParameter(kResync, 0.5f);
    rig.effect.setParameter(kLfoResync, 1.0f);
    runFrames(rig, 100);
    EXPECT_EQ(rig.host.updateDisplays(), 3);
    EXPECT_EQ(rig.kernel(0).position(), 100);
}

namespace {

float signedRoot(float v) { return v >= 0 ? std::sqrt(v) : -std::sqrt(-v); }

// Column c worked out from both lines.
void expectColumn(EffectRig& rig, int column, int width)
{
    float lowest = INFINITY, highest = -INFINITY;
    for (int channel : {0, 1}) {
        const float* line = rig.kernel(channel).buffer();
        for (int cell = column * width; cell < (column + 1) * width; ++cell) {
            lowest = std::min(lowest, line[cell]);
            highest = std::max(highest, line[cell]);
        }
    }
    const std::atomic<float>* columns = rig.effect.waveformColumns();
    EXPECT_EQ(columns[column * 4 + 0].load(), static_cast<float>(column));
    EXPECT_EQ(columns[column * 4 + 1].load(), signedRoot(lowest)) << "column " << column;
    EXPECT_EQ(columns[column * 4 + 2].load(), static_cast<float>(column));
    EXPECT_EQ(columns[column * 4 + 3].load(), signedRoot(highest)) << "column " << column;
}

void markColumn(EffectRig& rig, int column)
{
    auto* columns = const_cast<std::atomic<float>*>(rig.effect.waveformColumns());
    columns[column * 4 + 1].store(-99.0f);
    columns[column * 4 + 3].store(99.0f);
}

bool columnMarked(EffectRig& rig, int column)
{
    return rig.effect.waveformColumns()[column * 4 + 1].load() == -99.0f;
}

}  // namespace

TEST(Waveform, ShortLinesStayFlatAndOneCellColumnsFollowTheLine)
{
    EffectRig flat;
    flat.setDelaySamples(255);
    flat.run(noise(2000, 1.0f, 9), {100});
    for (int column = 0; column < 256; ++column) {
        EXPECT_EQ(flat.effect.waveformColumns()[column * 4 + 1].load(), 0.0f);
        EXPECT_EQ(flat.effect.waveformColumns()[column * 4 + 3].load(), 0.0f);
    }

    EffectRig narrow;
    narrow.setDelaySamples(256);
    const std::vector<float> left = noise(256, 1.0f, 10), right = noise(256, 0.3f, 11);
    narrow.run(left, {256}, &right);
    for (int column : {20, 100, 239}) expectColumn(narrow, column, 1);

    // Columns of 23 cells: read sixteen, four and one at a time.
    EffectRig wide;
    wide.setDelaySamples(256 * 23);
    const std::vector<float> wideLeft = noise(6000, 1.0f, 19), wideRight = noise(6000, 0.4f, 20);
    wide.run(wideLeft, {512}, &wideRight);
    for (int column : {0, 77, 255}) expectColumn(wide, column, 23);
}

TEST(Waveform, EachBlockUpdatesTheColumnsItsSweepCrossed)
{
    // L = 1024: columns of 4 cells.
    EffectRig rig;
    rig.setDelaySamples(1024);
    rig.run(noise(1000, 0.8f, 12), {500});  // forward to 1000
    ASSERT_EQ(rig.kernel(0).position(), 1000);
    for (int column = 0; column < 256; ++column) markColumn(rig, column);

    // Forward from 1000 over the turning point at 1024 and back to 948:
    // the range [948, 1024) is columns 237 to 255.
    rig.run(noise(100, 0.8f, 13), {100});
    ASSERT_EQ(rig.kernel(0).position(), 948);
    EXPECT_TRUE(columnMarked(rig, 236));
    for (int column = 237; column < 256; ++column) expectColumn(rig, column, 4);

    // Backward from 948 by 48: [900, 948), columns 225 to 236.
    for (int column = 0; column < 256; ++column) markColumn(rig, column);
    rig.run(noise(48, 0.8f, 14), {48});
    EXPECT_TRUE(columnMarked(rig, 224));
    for (int column = 225; column <= 236; ++column) expectColumn(rig, column, 4);
    EXPECT_TRUE(columnMarked(rig, 237));

    // A block that passes two turning points: only [0, m) with m the larger
    // of the start and what is left after the first turn.
    for (int column = 0; column < 256; ++column) markColumn(rig, column);
    rig.run(noise(2000, 0.8f, 15), {2000});  // back from 900 to 0, up to 1024, back by 76
    ASSERT_EQ(rig.kernel(0).position(), 948);
    for (int column = 0; column < 256; ++column) expectColumn(rig, column, 4);  // m = min(1024, 1100)

    // A change of length recomputes the whole display at once.
    for (int column = 0; column < 256; ++column) markColumn(rig, column);
    rig.setDelaySamples(512);
    rig.run(std::vector<float>(1, 0.0f), {1});
    for (int column = 0; column < 256; ++column) EXPECT_FALSE(columnMarked(rig, column)) << column;
}

TEST(Waveform, ARateRiseNeverReadsPastTheOldLines)
{
    // Thirty seconds at 44.1 kHz, then the host moves to 96 kHz: the new
    // length (2880000) is known before the kernels have grown their lines.
    EffectRig rig;
    rig.effect.setValue(kDelayTime, 30.0f);
    rig.run(noise(44100, 0.5f, 16), {4096});
    ASSERT_EQ(rig.effect.delayLength(), 1323000);
    rig.setSampleRate(96000.0f);
    rig.run(noise(4096, 0.5f, 17), {4096});
    EXPECT_EQ(rig.effect.delayLength(), 2880000);
    EXPECT_EQ(rig.kernel(0).bufferCells(), 2880016u);
    for (int column = 0; column < 256; ++column) {
        EXPECT_TRUE(std::isfinite(rig.effect.waveformColumns()[column * 4 + 1].load()));
        EXPECT_TRUE(std::isfinite(rig.effect.waveformColumns()[column * 4 + 3].load()));
    }
    // And back down: the lines shrink before anything reads them.
    rig.setSampleRate(22050.0f);
    rig.run(noise(4096, 0.5f, 18), {4096});
    EXPECT_EQ(rig.effect.delayLength(), 661500);
}
