// The three kinds of thread that share the effect: the host's audio thread
// processing, its user-interface thread changing parameters, programs and the
// rate, and an editor's render thread reading the live display words. Run
// under ThreadSanitizer, this shows the sharing is clean.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "tests/effect/EffectRig.h"

TEST(Threads, AudioUserInterfaceAndRenderThreadsShareTheEffect)
{
    EffectRig rig;
    rig.setDelaySamples(3000);
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};

    std::thread audio([&] {
        std::vector<float> l = noise(256, 0.5f, 1), r = noise(256, 0.5f, 2), ol(256), orr(256);
        while (!stop.load()) {
            rig.block(l.data(), r.data(), ol.data(), orr.data(), 256);
            for (float v : ol) ASSERT_TRUE(std::isfinite(v));
            blocks.fetch_add(1);
        }
    });
    std::thread render([&] {
        float sum = 0.0f;
        while (!stop.load()) {
            DisplayState state{};
            rig.effect.getDisplayState(&state);
            const std::atomic<float>* columns = rig.effect.waveformColumns();
            for (int i = 0; i < HaldParfelle::kWaveformFloats; ++i) sum += columns[i].load(std::memory_order_relaxed);
            EXPECT_GE(state.sweepPosition, 0.0f);
            EXPECT_LE(state.sweepPosition, 1.0f);
        }
        EXPECT_TRUE(std::isfinite(sum));
    });

    // The user-interface thread: knobs, triggers, programs, texts.
    for (int round = 0; round < 300; ++round) {
        rig.effect.setParameter(kFeedback, (round % 10) / 10.0f);
        rig.effect.setParameter(kFilterType, (round % 7) / 7.0f);
        rig.effect.setParameter(kResync, round % 50 == 0 ? 1.0f : 0.0f);
        rig.effect.setParameter(kLfoResync, round % 30 == 0 ? 1.0f : 0.0f);
        char text[64];
        rig.effect.getParameterDisplay(kFilterType, text);
        rig.effect.dispatcher(effSetProgram, 0, round % 8, nullptr, 0);
        if (round % 100 == 99) rig.setSampleRate(round % 200 == 99 ? 48000.0f : 44100.0f);
        std::this_thread::yield();
    }
    while (blocks.load() < 200) std::this_thread::yield();
    stop = true;
    audio.join();
    render.join();
    EXPECT_GE(blocks.load(), 200);
}
