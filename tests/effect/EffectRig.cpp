#include "tests/effect/EffectRig.h"

#include <random>

void EffectRig::makeTransparent()
{
    effect.setValue(kFeedback, 0.0f);
    effect.setValue(kDryLevel, 0.0f);
    effect.setValue(kEffectLevel, 1.0f);
    effect.setValue(kSaturationAmount, 0.0f);
    effect.setValue(kSaturationShape, 0.0f);
    effect.setValue(kFilterType, 0.0f);
}

void EffectRig::setDelaySamples(int samples)
{
    effect.setValue(kDelayTime, static_cast<float>(samples / static_cast<double>(effect.getSampleRate())));
}

void EffectRig::block(float* left, float* right, float* outLeft, float* outRight, unsigned frames)
{
    float* inputs[] = {left, right};
    float* outputs[] = {outLeft, outRight};
    effect.processReplacing(inputs, outputs, static_cast<int32_t>(frames));
}

std::vector<float> EffectRig::run(const std::vector<float>& left, std::vector<unsigned> blocks,
                                  const std::vector<float>* right, std::vector<float>* rightOut)
{
    std::vector<float> l = left;
    std::vector<float> r = right ? *right : left;
    std::vector<float> outL(l.size()), outR(l.size());
    size_t done = 0;
    for (size_t b = 0; done < l.size(); ++b) {
        const size_t n = std::min<size_t>(blocks[b % blocks.size()], l.size() - done);
        block(l.data() + done, r.data() + done, outL.data() + done, outR.data() + done, static_cast<unsigned>(n));
        done += n;
    }
    if (rightOut) *rightOut = outR;
    return outL;
}

std::vector<float> noise(size_t frames, float amplitude, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> samples(frames);
    for (float& s : samples) s = uniform(generator);
    return samples;
}
