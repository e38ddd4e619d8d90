#include "effect/CParfelleKernel.h"

#include <cstring>

HaldParfelle::CParfelleKernel::CParfelleKernel(HaldParfelle* effect) : AUKernelBase(effect), parfelle_(effect)
{
    Reset();
}

void HaldParfelle::CParfelleKernel::Reset() {}

void HaldParfelle::CParfelleKernel::Process(const float* source, float* destination, unsigned frames,
                                            unsigned /*channels*/, bool& silence)
{
    // Until the delay line is in, the channel passes through unchanged.
    silence = false;
    if (source != destination) std::memmove(destination, source, frames * sizeof(float));
}
