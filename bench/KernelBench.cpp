// Cost of the audio path per sample: one kernel, and the whole effect.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "effect/CParfelleKernel.h"
#include "effect/HaldParfelle.h"
#include "plugin/FloatingPointGuard.h"

namespace {

std::vector<float> whiteNoise(size_t frames)
{
    std::mt19937 generator(42);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    std::vector<float> samples(frames);
    for (float& s : samples) s = uniform(generator);
    return samples;
}

void busy(HaldParfelle& effect)
{
    effect.setValue(kSaturationAmount, 11.0f);
    effect.setValue(kFilterType, 2.0f);
    effect.setValue(kLfoAmount, 3.0f);
    effect.setValue(kFilterQ, 1.0f);
}

// One kernel on one channel, in 512-frame blocks.
void kernelBlock(benchmark::State& state, bool everyStageBusy)
{
    FloatingPointGuard guard;
    HaldParfelle effect(nullptr);
    if (everyStageBusy) busy(effect);
    const std::vector<float> input = whiteNoise(512);
    std::vector<float> output(512);
    float* inputs[] = {const_cast<float*>(input.data()), const_cast<float*>(input.data())};
    float* outputs[] = {output.data(), output.data()};
    effect.processReplacing(inputs, outputs, 512);  // time base settled
    HaldParfelle::CParfelleKernel& kernel = effect.kernel(0);
    bool silence = false;
    for (auto _ : state) {
        kernel.Process(input.data(), output.data(), 512, 1, silence);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(state.iterations() * 512);
}

void BM_KernelDefaults(benchmark::State& state) { kernelBlock(state, false); }
void BM_KernelEveryStageBusy(benchmark::State& state) { kernelBlock(state, true); }

// The whole effect, stereo, time base and waveform columns included; after
// the noise, silence with full feedback, where echoes decay towards denormals.
// Both channels go through the kernels' paired pass here, unlike the
// one-kernel cases above, which time the per-channel loop.
void wholeEffect(benchmark::State& state, bool silenceAfterNoise, bool everyStageBusy = false)
{
    FloatingPointGuard guard;
    HaldParfelle effect(nullptr);
    if (everyStageBusy) busy(effect);
    std::vector<float> left = whiteNoise(512), right = whiteNoise(512), outLeft(512), outRight(512);
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    if (silenceAfterNoise) {
        effect.setValue(kFeedback, 100.0f);
        for (int i = 0; i < 200; ++i) effect.processReplacing(inputs, outputs, 512);
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
    }
    for (auto _ : state) {
        effect.processReplacing(inputs, outputs, 512);
        benchmark::DoNotOptimize(outLeft.data());
    }
    state.SetItemsProcessed(state.iterations() * 512);
    // Seconds of 44.1 kHz audio per second of processing.
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 512 / 44100.0, benchmark::Counter::kIsRate);
}

void BM_EffectNoise(benchmark::State& state) { wholeEffect(state, false); }
void BM_EffectDecayingSilence(benchmark::State& state) { wholeEffect(state, true); }
void BM_EffectEveryStageBusy(benchmark::State& state) { wholeEffect(state, false, true); }

}  // namespace

BENCHMARK(BM_KernelDefaults);
BENCHMARK(BM_KernelEveryStageBusy);
BENCHMARK(BM_EffectNoise);
BENCHMARK(BM_EffectDecayingSilence);
BENCHMARK(BM_EffectEveryStageBusy);
BENCHMARK_MAIN();
