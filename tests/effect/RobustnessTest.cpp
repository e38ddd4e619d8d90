// What a careless or hostile host can do to the audio path: parameter values
// far outside their ranges, odd tempos, odd block sizes, and allocation on
// the audio thread.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "plugin/FloatingPointGuard.h"
#include "tests/effect/AllocationCounter.h"
#include "tests/effect/EffectRig.h"

TEST(AudioThread, AllocatesNothingAfterTheFirstBlockAtARate)
{
    EffectRig rig;
    rig.effect.setValue(kHostTempo, 1.0f);
    rig.effect.setValue(kLfoHostTempo, 1.0f);
    rig.host.giveTime = true;
    rig.host.time.tempo = 128.0;
    rig.host.time.flags = kVstTempoValid;
    std::vector<float> l = noise(8192, 0.5f, 1), r = noise(8192, 0.5f, 2), ol(8192), orr(8192);
    rig.block(l.data(), r.data(), ol.data(), orr.data(), 512);

    allocation_counter::start();
    for (unsigned frames : {512u, 1u, 0u, 8192u, 77u}) rig.block(l.data(), r.data(), ol.data(), orr.data(), frames);
    rig.effect.setParameter(kResync, 1.0f);
    rig.effect.setParameter(kLfoResync, 1.0f);
    rig.effect.setParameter(kDelayTime, 0.3f);  // a new length redraws the whole display
    rig.block(l.data(), r.data(), ol.data(), orr.data(), 512);
    EXPECT_EQ(allocation_counter::stop(), 0);

    // A new rate is the one occasion: each line is allocated once.
    rig.setSampleRate(48000.0f);
    allocation_counter::start();
    rig.block(l.data(), r.data(), ol.data(), orr.data(), 512);
    rig.block(l.data(), r.data(), ol.data(), orr.data(), 512);
    EXPECT_EQ(allocation_counter::stop(), 2);
}

TEST(AudioThread, DenormalsAreFlushedOnlyInsideTheGuard)
{
#if defined(PARFELLE_HAS_MXCSR)
    const unsigned before = _mm_getcsr();
    {
        FloatingPointGuard guard;
        volatile float tiny = 1e-30f;
        volatile float product = tiny * 1e-10f;  // would be denormal
        EXPECT_EQ(product, 0.0f);
        EXPECT_NE(_mm_getcsr() & 0x8040u, 0u);
    }
    EXPECT_EQ(_mm_getcsr(), before);
    volatile float tiny = 1e-30f;
    volatile float product = tiny * 1e-10f;
    EXPECT_GT(product, 0.0f);
#else
    GTEST_SKIP() << "no SSE control word on this target";
#endif
}

TEST(AudioThread, FuzzedParametersTemposAndBlocksStayFiniteAndRecover)
{
    std::mt19937 random(20261208);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<float> wide(-50.0f, 50.0f);
    std::uniform_int_distribution<int> pick(0, 99);
    const float huge[] = {1e30f, -1e30f, 3.4e38f, -3.4e38f, 1e9f, -1e9f};
    const double tempos[] = {120.0, 0.0, -60.0, 1e-9, 1e12, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), 33.3};

    EffectRig rig;
    std::vector<float> l(8192), r(8192), ol(8192), orr(8192);
    std::normal_distribution<float> signal(0.0f, 0.3f);
    long frames = 0;
    const long total = 70L * 44100;
    while (frames < total) {
        // Some parameters change between blocks.
        for (int changes = pick(random) % 4; changes > 0; --changes) {
            const int index = pick(random) % kParfelleParameterCount;
            const int kind = pick(random);
            const float value = kind < 60 ? unit(random) : kind < 90 ? wide(random) : huge[pick(random) % 6];
            rig.effect.setParameter(index, value);
        }
        rig.host.giveTime = pick(random) < 80;
        rig.host.time.tempo = pick(random) < 50 ? 60.0 + unit(random) * 140.0 : tempos[pick(random) % 8];
        rig.host.time.flags = pick(random) < 90 ? kVstTempoValid : 0;

        const int kind = pick(random);
        const unsigned n = kind < 10 ? 0u : kind < 30 ? 1u + static_cast<unsigned>(pick(random)) : kind < 95 ? 512u : 8192u;
        for (unsigned i = 0; i < n; ++i) l[i] = signal(random), r[i] = signal(random);
        {
            FloatingPointGuard guard;  // as the host entry does
            rig.block(l.data(), r.data(), ol.data(), orr.data(), n);
        }
        for (unsigned i = 0; i < n; ++i) {
            ASSERT_TRUE(std::isfinite(ol[i]) && std::isfinite(orr[i])) << "at frame " << frames + i;
        }
        frames += n;
    }

    // Back to the defaults: within twice the delay length and a second the
    // output is at normal levels again.
    for (int i = 0; i < kParfelleParameterCount; ++i)
        rig.effect.setParameter(i, rig.effect.normalisedFromValue(i, kParfelleParameters[i].defaultValue));
    rig.host.giveTime = false;
    const long settle = 2 * 44100 + 44100;
    for (long done = 0; done < settle + 44100; done += 512) {
        for (unsigned i = 0; i < 512; ++i) l[i] = signal(random), r[i] = signal(random);
        rig.block(l.data(), r.data(), ol.data(), orr.data(), 512);
        if (done < settle) continue;
        for (unsigned i = 0; i < 512; ++i) {
            ASSERT_LE(std::fabs(ol[i]), 4.0f) << "after " << done << " frames";
            ASSERT_LE(std::fabs(orr[i]), 4.0f) << "after " << done << " frames";
        }
    }
    // The host still reads back exactly what it set.
    rig.effect.setParameter(kFeedback, 1e30f);
    EXPECT_EQ(rig.effect.getParameter(kFeedback), 1e30f);
}
