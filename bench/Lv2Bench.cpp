// Cost of the LV2 instance around the effect: port values checked and the
// record's call on every run, at a host's usual block and at one frame per
// run (as lv2apply runs).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "effect/HaldParfelle.h"
#include "lv2/Lv2Effect.h"
#include "plugin/PluginEntry.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new HaldParfelle(audioMaster); }

namespace {

void lv2Run(benchmark::State& state, uint32_t frames)
{
    const LV2_Feature* none[] = {nullptr};
    std::unique_ptr<Lv2Effect> lv2(Lv2Effect::create(44100.0, none));
    float controls[kParfelleParameterCount];
    for (int p = 0; p < kParfelleParameterCount; ++p) {
        controls[p] = kParfelleParameters[p].defaultValue;
        lv2->connect(static_cast<uint32_t>(p), &controls[p]);
    }
    std::mt19937 generator(42);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    std::vector<float> left(512), right(512), outLeft(512), outRight(512);
    for (size_t i = 0; i < 512; ++i) left[i] = uniform(generator), right[i] = uniform(generator);
    lv2->activate();
    for (auto _ : state) {
        for (uint32_t done = 0; done < 512; done += frames) {
            lv2->connect(lv2port::kAudioInLeft, left.data() + done);
            lv2->connect(lv2port::kAudioInRight, right.data() + done);
            lv2->connect(lv2port::kAudioOutLeft, outLeft.data() + done);
            lv2->connect(lv2port::kAudioOutRight, outRight.data() + done);
            lv2->run(frames);
        }
        benchmark::DoNotOptimize(outLeft.data());
    }
    lv2->deactivate();
    state.SetItemsProcessed(state.iterations() * 512);
}

void BM_Lv2Run512(benchmark::State& state) { lv2Run(state, 512); }
void BM_Lv2RunOneFrame(benchmark::State& state) { lv2Run(state, 1); }

}  // namespace

BENCHMARK(BM_Lv2Run512);
BENCHMARK(BM_Lv2RunOneFrame);
