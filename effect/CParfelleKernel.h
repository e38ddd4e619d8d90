// One channel of the reverse delay.
#pragma once

#include "effect/HaldParfelle.h"

class HaldParfelle::CParfelleKernel : public AUKernelBase
{
public:
    explicit CParfelleKernel(HaldParfelle* effect);

    void Reset() override;
    void Process(const float* source, float* destination, unsigned frames, unsigned channels,
                 bool& silence) override;

private:
    HaldParfelle* parfelle_;
};
