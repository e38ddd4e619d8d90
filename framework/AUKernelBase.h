// A per-channel signal processor. The framework hands channel i of every
// block to kernel i. Audio thread only, apart from construction.
#pragma once

class HaldAuBase;

class AUKernelBase
{
public:
    explicit AUKernelBase(HaldAuBase* effect) : effect_(effect) {}
    AUKernelBase(const AUKernelBase&) = delete;
    AUKernelBase& operator=(const AUKernelBase&) = delete;
    virtual ~AUKernelBase() = default;

    // Back to the initial state for the effect's current sample rate.
    virtual void Reset() {}
    // frames samples of one channel; source and destination may be the same
    // memory. silence is shared by the kernels of one block.
    virtual void Process(const float* source, float* destination, unsigned frames, unsigned channels,
                         bool& silence) = 0;

protected:
    HaldAuBase* effect_;
};
