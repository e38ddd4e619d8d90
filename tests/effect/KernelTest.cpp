// The reverse delay, against timings and values worked out by hand and
// against a plain per-sample model of the sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tests/effect/EffectRig.h"

using namespace dsp;

namespace {

constexpr float kRate = 44100.0f;

float fade(int position, int length) { return std::min({position, length - position, 16}) / 16.0f; }

// The sweep written the plain way: one sample at a time, turning when the
// position reaches an end, through the same echo path. Used to check the
// kernel's segmented loop and block handling, not the echo path itself.
struct SweepModel
{
    SweepModel(int length, float feedback, const EchoCoefficients& echo)
        : length(length), fb(feedback), echo(echo), line(static_cast<size_t>(length) + 1, 0.0f)
    {
    }

    // A block's values (taken from the effect after it ran the block): a
    // new length brings the position into range by whole lengths, a sweep
    // that has just turned at L staying there.
    void startBlock(int newLength, float feedback, const EchoCoefficients& coefficients)
    {
        if (forward) position %= newLength;
        else if (position > newLength) position = (position - 1) % newLength + 1;
        length = newLength;
        if (line.size() < static_cast<size_t>(length) + 1) line.resize(static_cast<size_t>(length) + 1, 0.0f);
        fb = feedback;
        echo = coefficients;
    }

    // What a change of rate does: everything cleared.
    void reset(float rate)
    {
        std::fill(line.begin(), line.end(), 0.0f);
        filter = EchoFilterState{};
        position = 0;
        forward = true;
        previous = tracker = 0.0f;
        R = 1.0f - 126.0f / rate;
    }

    float step(float x, float dry, float wet)
    {
        if (!std::isfinite(x)) x = 0.0f;
        const float d = line[static_cast<size_t>(position)];
        const float e = processEcho(d, echo, filter);
        tracker = x - previous + R * tracker;
        previous = x;
        const float g = fade(position, length);
        line[static_cast<size_t>(position)] = (x - tracker) * (1.0f - g) + x * g + fb * e;
        if (forward && ++position == length) forward = false;
        else if (!forward && --position == 0) forward = true;
        return e * wet + x * dry;
    }

    int length;
    float fb;
    EchoCoefficients echo;
    std::vector<float> line;
    EchoFilterState filter;
    int position = 0;
    bool forward = true;
    float previous = 0.0f, tracker = 0.0f;
    float R = 1.0f - 126.0f / kRate;
};

}  // namespace

TEST(Kernel, FreshKernelsHoldThirtySecondsAndStartForwardAtZero)
{
    EffectRig rig;
    for (int channel : {0, 1}) {
        EXPECT_EQ(rig.kernel(channel).bufferCells(), 1323016u);  // 44100 * 30 + 16
        EXPECT_EQ(rig.kernel(channel).position(), 0);
        EXPECT_TRUE(rig.kernel(channel).forward());
        for (uint32_t cell = 0; cell < rig.kernel(channel).bufferCells(); cell += 997)
            ASSERT_EQ(rig.kernel(channel).buffer()[cell], 0.0f);
    }
    EXPECT_EQ(HaldParfelle::CParfelleKernel::capacityFor(48000.0f), 1440016u);
    EXPECT_EQ(HaldParfelle::CParfelleKernel::capacityFor(4e7f), 0u);  // beyond 4 GiB
}

TEST(Kernel, AnImpulseComesBackReversedWhereTheSweepPutsIt)
{
    // Written on the forward sweep at time k (cell k), read on the backward
    // sweep at time 2L - k; written on the backward sweep at time s (cell
    // 2L - s), read on the next forward sweep at time 4L - s. The written
    // value is the impulse times the end fade: its DC part is 0.
    for (int length : {4, 37, 100, 1000, 4410}) {
        for (int at : {0, 1, length / 2, length - 3, length + 2, 2 * length - 20}) {
            if (at < 0 || at >= 2 * length || (length == 4 && at > 7)) continue;
            SCOPED_TRACE(::testing::Message() << "L " << length << " impulse at " << at);
            EffectRig rig;
            rig.makeTransparent();
            rig.setDelaySamples(length);
            std::vector<float> input(static_cast<size_t>(5 * length), 0.0f);
            input[static_cast<size_t>(at)] = 1.0f;
            const std::vector<float> out = rig.run(input, {64});
            ASSERT_EQ(rig.effect.delayLength(), length);

            const bool forwardSweep = at < length;
            const int cell = forwardSweep ? at : 2 * length - at;
            const int back = forwardSweep ? 2 * length - at : 4 * length - at;
            EXPECT_NEAR(out[static_cast<size_t>(back)], fade(cell, length), 1e-6);
            // Everything else is the input tracker's leak near the sweep ends,
            // at most (1 - R) = 126 / 44100 of the impulse.
            for (size_t i = 0; i < out.size(); ++i) {
                if (static_cast<int>(i) == back) continue;
                ASSERT_LE(std::fabs(out[i]), 126.0f / kRate) << "sample " << i;
            }
        }
    }
}

TEST(Kernel, BackwardSweepPlaysThePreviousForwardSweepInReverse)
{
    const int L = 1000;
    EffectRig rig;
    rig.makeTransparent();
    rig.setDelaySamples(L);
    const std::vector<float> input = noise(static_cast<size_t>(2 * L), 1.0f, 7);
    const std::vector<float> out = rig.run(input, {333});

    // Input DC tracker worked out in double precision.
    const double R = 1.0 - 126.0 / kRate;
    double tracker = 0.0, previous = 0.0;
    for (int j = 0; j < L; ++j) {
        tracker = input[static_cast<size_t>(j)] - previous + R * tracker;
        previous = input[static_cast<size_t>(j)];
        if (j == 0) continue;  // cell 0 is read on the next forward sweep
        const double g = fade(j, L);
        const double expected = g * input[static_cast<size_t>(j)] + (1.0 - g) * (input[static_cast<size_t>(j)] - tracker);
        ASSERT_NEAR(out[static_cast<size_t>(2 * L - j)], expected, 2e-6) << "cell " << j;
    }
    // In the middle of the sweep the input comes back unchanged.
    EXPECT_EQ(out[static_cast<size_t>(2 * L - 500)], input[500]);
    // The very first sample is never written: g and its DC part are both 0.
    EXPECT_EQ(rig.kernel(0).buffer()[0], 0.0f);
}

TEST(Kernel, WithL4TheFadeNeverOpensFully)
{
    EffectRig rig;
    rig.makeTransparent();
    rig.setDelaySamples(4);
    std::vector<float> input(8, 1.0f);
    input[0] = 0.0f;
    const std::vector<float> out = rig.run(input, {8});
    // Cell 2 (the middle) was written with g = 2/16 at time 2, read at time 6.
    const double R = 1.0 - 126.0 / kRate;
    const double t1 = 1.0, t2 = R * t1;  // tracker after a step from 0 to 1
    EXPECT_NEAR(out[6], 2.0 / 16 * 1.0 + 14.0 / 16 * (1.0 - t2), 1e-6);
    EXPECT_NEAR(out[7], 1.0 / 16 * 1.0 + 15.0 / 16 * (1.0 - t1), 1e-6);
}

TEST(Kernel, OutputDoesNotDependOnBlockSizesOrBufferSharing)
{
    // Every stage busy, the LFO still (no depth): any block layout gives the
    // same samples, and so does processing in place.
    auto configure = [](EffectRig& rig) {
        rig.setDelaySamples(1470);  // 7 * 210: 1- and 7-frame blocks end on turning points
        rig.effect.setValue(kFeedback, 85.0f);
        rig.effect.setValue(kSaturationAmount, 4.0f);
        rig.effect.setValue(kFilterType, 1.6f);
        rig.effect.setValue(kFilterQ, 0.6f);
        rig.effect.setValue(kFilterCutoff, 2500.0f);
        rig.effect.setValue(kDryLevel, 0.8f);
    };
    const std::vector<float> left = noise(20000, 0.9f, 1), right = noise(20000, 0.5f, 2);

    EffectRig reference;
    configure(reference);
    std::vector<float> referenceRight;
    const std::vector<float> referenceLeft = reference.run(left, {8192}, &right, &referenceRight);

    // The plain model agrees with the kernel sample for sample.
    EchoSettings settings{4.0f, 1.0f, 2500.0f, 0.6f, 1.6f, 0.0f, 0.0f, kRate};
    SweepModel model(1470, 85.0f * 0.01f, computeEchoCoefficients(settings));  // "Feedback" x 0.01
    for (size_t i = 0; i < left.size(); ++i)
        ASSERT_FLOAT_EQ(model.step(left[i], 0.8f * 0.8f * 0.8f, 1.0f), referenceLeft[i]) << "sample " << i;

    for (const std::vector<unsigned>& blocks :
         {std::vector<unsigned>{1}, {7}, {64}, {512}, {8192}, {0, 100, 0, 0, 1469, 3, 0, 1}}) {
        EffectRig rig;
        configure(rig);
        std::vector<float> outRight;
        const std::vector<float> outLeft = rig.run(left, blocks, &right, &outRight);
        ASSERT_EQ(outLeft, referenceLeft) << "blocks of " << blocks[0];
        ASSERT_EQ(outRight, referenceRight) << "blocks of " << blocks[0];
    }

    EffectRig inPlace;
    configure(inPlace);
    std::vector<float> l = left, r = right;
    for (size_t done = 0; done < l.size(); done += 500)
        inPlace.block(&l[done], &r[done], &l[done], &r[done], static_cast<unsigned>(std::min<size_t>(500, l.size() - done)));
    EXPECT_EQ(l, referenceLeft);
    EXPECT_EQ(r, referenceRight);
}

TEST(Kernel, TurningPointsAndLengthChanges)
{
    EffectRig rig;
    rig.makeTransparent();
    rig.setDelaySamples(100);
    std::vector<float> buffer(100, 0.5f), out(100);

    // A block ending exactly at the end of a forward sweep.
    rig.block(buffer.data(), buffer.data(), out.data(), out.data(), 100);
    EXPECT_EQ(rig.kernel(0).position(), 100);
    EXPECT_FALSE(rig.kernel(0).forward());
    EXPECT_EQ(rig.display().sweepPosition, 1.0f);
    EXPECT_EQ(rig.display().sweepDirection, 0u);
    EXPECT_EQ(rig.display().delayPhase, 1.0f);
    // The backward sweep then starts at L itself.
    rig.block(buffer.data(), buffer.data(), out.data(), out.data(), 1);
    EXPECT_EQ(rig.kernel(0).position(), 99);
    EXPECT_NEAR(rig.display().sweepPosition, 0.99f, 1e-6);

    // Shrinking the length below the position wraps it by whole lengths.
    EffectRig wrap;
    wrap.makeTransparent();
    wrap.setDelaySamples(2000);
    const std::vector<float> input = noise(1000, 1.0f, 3);
    wrap.run(input, {1000});
    EXPECT_EQ(wrap.kernel(0).position(), 1000);
    wrap.setDelaySamples(300);
    float x = 0.0f, y = 0.0f;
    wrap.block(&x, &x, &y, &y, 1);
    EXPECT_EQ(wrap.kernel(0).position(), 101);  // 1000 - 3 * 300, then one step
    EXPECT_EQ(y, input[100]);                   // cell 100 held the input of time 100
    // Both channels keep step.
    EXPECT_EQ(wrap.kernel(1).position(), 101);
}

TEST(Kernel, SampleRateChangeClearsTheLineButSuspendDoesNot)
{
    auto impulseRig = [](EffectRig& rig) {
        rig.makeTransparent();
        rig.setDelaySamples(500);
        std::vector<float> input(300, 0.0f);
        input[200] = 1.0f;
        rig.run(input, {100});
    };
    const std::vector<float> silence(1000, 0.0f);

    EffectRig kept;
    impulseRig(kept);
    kept.effect.dispatcher(effMainsChanged, 0, 0, nullptr, 0);
    kept.effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0);
    kept.setSampleRate(kRate);  // the same rate again: nothing to reset
    const std::vector<float> echo = kept.run(silence, {100});
    EXPECT_NEAR(echo[800 - 300], 1.0f, 1e-6);  // read back at time 2L - 200 = 800

    EffectRig cleared;
    impulseRig(cleared);
    cleared.setSampleRate(48000.0f);
    cleared.setDelaySamples(500);
    EXPECT_EQ(cleared.kernel(0).bufferCells(), 1323016u);  // not before the next block
    const std::vector<float> after = cleared.run(silence, {100});
    EXPECT_EQ(cleared.kernel(0).bufferCells(), 1440016u);
    for (float v : after) ASSERT_EQ(v, 0.0f);
    EXPECT_EQ(cleared.kernel(0).position(), 1000 - 2 * 500 + 0);  // restarted at 0: one full cycle
    EXPECT_TRUE(cleared.kernel(0).forward());
}

TEST(Kernel, ReSyncRestartsBothChannelsTogether)
{
    EffectRig rig;
    rig.setDelaySamples(1000);
    rig.run(noise(1234, 0.5f, 4), {100});
    EXPECT_EQ(rig.kernel(0).position(), 766);  // 1000 back to 766
    rig.effect.setParameter(kResync, 1.0f);
    const int before = rig.host.updateDisplays();
    std::vector<float> l(64), r(64), ol(64), orr(64);
    rig.block(l.data(), r.data(), ol.data(), orr.data(), 64);
    for (int channel : {0, 1}) {
        EXPECT_EQ(rig.kernel(channel).position(), 64);
        EXPECT_TRUE(rig.kernel(channel).forward());
    }
    EXPECT_EQ(rig.effect.getValue(kResync), 0.0f);
    EXPECT_EQ(rig.effect.getParameter(kResync), 0.0f);
    EXPECT_EQ(rig.host.updateDisplays(), before + 1);
    rig.block(l.data(), r.data(), ol.data(), orr.data(), 64);
    EXPECT_EQ(rig.host.updateDisplays(), before + 1);  // once only
}

TEST(Kernel, BadSamplesDoNotPoisonTheLine)
{
    EffectRig rig;
    rig.effect.setValue(kFilterType, 2.0f);
    std::vector<float> bad(512);
    for (size_t i = 0; i < bad.size(); ++i)
        bad[i] = i % 3 == 0 ? std::numeric_limits<float>::quiet_NaN()
                 : i % 3 == 1 ? std::numeric_limits<float>::infinity()
                              : -std::numeric_limits<float>::infinity();
    std::vector<float> input = noise(200000, 0.8f, 5);
    std::copy(bad.begin(), bad.end(), input.begin() + 1000);
    const std::vector<float> out = rig.run(input, {512});
    for (size_t i = 0; i < out.size(); ++i) ASSERT_TRUE(std::isfinite(out[i])) << "sample " << i;
    // The bad block itself counts as silence at the input: dry output 0.
    rig.effect.setValue(kEffectLevel, 0.0f);
    std::vector<float> nan(16, std::numeric_limits<float>::quiet_NaN()), o(16, 1.0f);
    rig.block(nan.data(), nan.data(), o.data(), o.data(), 16);
    for (float v : o) EXPECT_EQ(v, 0.0f);
}

TEST(Kernel, UndampedFilterAndFullFeedbackStayFinite)
{
    EffectRig rig;
    rig.effect.setValue(kFilterQ, 1.0f);
    rig.effect.setValue(kFeedback, 100.0f);
    rig.effect.setValue(kFilterType, 2.0f);
    rig.effect.setValue(kLfoAmount, 2.0f);
    rig.effect.setValue(kLfoSpeed, 5.0f);
    rig.setDelaySamples(3000);
    float peak = 0.0f;
    const std::vector<float> input = noise(44100, 1.0f, 6);
    for (int second = 0; second < 60; ++second) {
        const std::vector<float> out = rig.run(input, {512});
        for (float v : out) {
            ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::fabs(v));
        }
    }
    EXPECT_GT(peak, 0.0f);
}

TEST(Kernel, AFailedReallocationLetsTheBlockThroughAndTriesAgain)
{
    EffectRig rig;
    rig.setDelaySamples(100);
    const std::vector<float> input = noise(256, 0.5f, 8);
    rig.run(input, {256});
    // A rate whose line would not fit in 32 bits of bytes.
    rig.setSampleRate(5e7f);
    const std::vector<float> passed = rig.run(input, {256});
    EXPECT_EQ(passed, input);
    EXPECT_EQ(rig.kernel(0).bufferCells(), 1323016u);  // the old line is kept
    EXPECT_NE(rig.kernel(0).buffer(), nullptr);
    rig.setSampleRate(48000.0f);
    rig.run(input, {256});
    EXPECT_EQ(rig.kernel(0).bufferCells(), 1440016u);
}

TEST(Kernel, BothChannelsTogetherMatchThePlainModelWhateverTheBlocks)
{
    // Every stage busy with a blend of responses, the LFO moving the filter
    // every block; bad samples in both channels; the length changed and then
    // the rate, between blocks. Each channel must equal its own plain model
    // exactly, block by block: the channels run side by side, the models one
    // sample at a time.
    const size_t frames = 9000;
    std::vector<float> left = noise(frames, 0.9f, 11), right = noise(frames, 0.6f, 12);
    for (size_t at : {5u, 401u, 402u, 2999u, 6001u}) {
        left[at] = std::numeric_limits<float>::quiet_NaN();
        right[at + 1] = -std::numeric_limits<float>::infinity();
    }
    enum Buffers { Apart, InPlace, RightReadsLeftOutput };

    const int lengths[] = {4, 17, 300, 301};
    const std::vector<unsigned> layouts[] = {{1}, {3}, {17}, {512}, {8192}, {0, 3, 0, 17, 1, 512, 4, 0, 8192}};
    // A blend and each whole response, every one of them met by the longer
    // lengths' blocks of 17 and more.
    const float types[] = {1.6f, 0.0f, 1.0f, 2.0f, 3.0f};
    for (int l = 0; l < 4; ++l) {
        const int length = lengths[l];
        for (int layout = 0; layout < 6; ++layout) {
            const std::vector<unsigned>& blocks = layouts[layout];
            for (Buffers buffers : {Apart, InPlace, RightReadsLeftOutput}) {
                if (buffers != Apart && blocks[0] != 17) continue;
                const float type = types[(l + layout) % 5];
                SCOPED_TRACE(::testing::Message() << "L " << length << ", blocks of " << blocks[0] << ", buffers "
                                                  << buffers << ", type " << type);
                EffectRig rig;
                rig.setDelaySamples(length);
                rig.effect.setValue(kFeedback, 85.0f);
                rig.effect.setValue(kSaturationAmount, 4.0f);
                // A shape whose cubic at 1.5 rounds differently from the knee.
                if (length == 301) rig.effect.setValue(kSaturationShape, 0.7f);
                rig.effect.setValue(kFilterType, type);
                rig.effect.setValue(kFilterQ, 0.9f);
                rig.effect.setValue(kFilterCutoff, 2500.0f);
                rig.effect.setValue(kLfoAmount, 2.0f);
                rig.effect.setValue(kLfoSpeed, 7.0f);
                rig.effect.setValue(kDryLevel, 0.8f);
                const EchoCoefficients none{};
                SweepModel models[2] = {{length, 0.0f, none}, {length, 0.0f, none}};

                std::vector<float> in[2] = {left, right}, out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
                float rate = kRate;
                size_t done = 0;
                for (size_t b = 0; done < frames; ++b) {
                    if (done >= 3000 && rig.effect.delayLength() == length) rig.setDelaySamples(length * 3 + 1);
                    if (done >= 6000 && rate == kRate) {
                        rate = 48000.0f;
                        rig.setSampleRate(rate);
                        rig.setDelaySamples(length + 5);
                        for (SweepModel& model : models) model.reset(rate);
                    }
                    const unsigned n = static_cast<unsigned>(std::min<size_t>(blocks[b % blocks.size()], frames - done));
                    float* l = &in[0][done];
                    float* r = &in[1][done];
                    if (buffers == Apart) rig.block(l, r, &out[0][done], &out[1][done], n);
                    if (buffers == InPlace) rig.block(l, r, l, r, n);
                    if (buffers == RightReadsLeftOutput) rig.block(l, r, r, &out[1][done], n);

                    const HaldParfelle::BlockSettings& settings = rig.effect.blockSettings();
                    EchoSettings echo = settings.echo;
                    echo.sampleRate = rate;
                    const float dry = settings.dryLevel * settings.dryLevel * settings.dryLevel;
                    for (int c = 0; c < 2; ++c) {
                        models[c].startBlock(rig.effect.delayLength(), settings.feedback * 0.01f,
                                             computeEchoCoefficients(echo));
                        const std::vector<float>& input = c == 0 ? left : buffers == RightReadsLeftOutput ? in[1] : right;
                        const std::vector<float>& output = buffers == InPlace ? in[c] : out[c];
                        for (size_t i = done; i < done + n; ++i) {
                            const float expected = models[c].step(input[i], dry, 1.0f);
                            if (buffers == RightReadsLeftOutput && c == 0) {
                                ASSERT_EQ(in[1][i], expected) << "left, sample " << i;
                            } else {
                                ASSERT_EQ(output[i], expected) << "channel " << c << ", sample " << i;
                            }
                        }
                        EXPECT_EQ(rig.kernel(c).position(), models[c].position);
                        EXPECT_EQ(rig.kernel(c).forward(), models[c].forward);
                    }
                    done += n;
                }
                EXPECT_EQ(rig.effect.delayLength(), length + 5);
                EXPECT_EQ(rig.kernel(1).bufferCells(), 1440016u);
                EXPECT_EQ(rig.display().sweepPosition, static_cast<float>(models[1].position) / (length + 5));
            }
        }
    }
}
