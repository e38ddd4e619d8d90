#include "effect/CParfelleKernel.h"

#include <cstring>
#include <new>

HaldParfelle::CParfelleKernel::CParfelleKernel(HaldParfelle* effect) : AUKernelBase(effect), parfelle_(effect)
{
    if (!sweep_.setSampleRate(parfelle_->getSampleRate())) throw std::bad_alloc();
}

void HaldParfelle::CParfelleKernel::Reset() { sweep_.setSampleRate(parfelle_->getSampleRate()); }

void HaldParfelle::CParfelleKernel::Process(const float* source, float* destination, unsigned frames,
                                            unsigned /*channels*/, bool& silence)
{
    silence = false;
    const float rate = parfelle_->getSampleRate();
    if (rate != sweep_.sampleRate() && !sweep_.setSampleRate(rate)) {
        // No line for the new rate: let the block through and try again next time.
        if (source != destination) std::memmove(destination, source, frames * sizeof(float));
        return;
    }
    sweep_.process(source, destination, frames, parfelle_->blockSettings(), parfelle_->delayLength());
    publish();
}

void HaldParfelle::CParfelleKernel::publish()
{
    const float Lf = static_cast<float>(sweep_.usableLength(parfelle_->delayLength()));
    parfelle_->publishSweep(Lf > 0.0f ? static_cast<float>(sweep_.position()) / Lf : 0.0f, sweep_.forward());
}

bool HaldParfelle::CParfelleKernel::ProcessPair(CParfelleKernel& left, CParfelleKernel& right,
                                                const float* const sources[2], float* const destinations[2],
                                                unsigned frames)
{
    // A rate change still pending is Process()'s to handle.
    HaldParfelle* const effect = left.parfelle_;
    const float rate = effect->getSampleRate();
    if (effect != right.parfelle_ || rate != left.sweep_.sampleRate() || rate != right.sweep_.sampleRate())
        return false;
    if (!dsp::ReverseSweep::processPair(left.sweep_, right.sweep_, sources, destinations, frames,
                                        effect->blockSettings(), effect->delayLength()))
        return false;
    right.publish();
    return true;
}
