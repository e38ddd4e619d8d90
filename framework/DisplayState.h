// Six words the effect keeps for the editor's live displays.
#pragma once

#include <cstdint>

struct DisplayState
{
    int32_t reserved0;
    int32_t reserved1;
    float sweepPosition;     // 0..1 along the delay line
    uint32_t sweepDirection; // low byte: 1 forward, 0 backward
    float delayPhase;        // same as sweepPosition
    float lfoPhase;          // 0..1 of one LFO period
};
static_assert(sizeof(DisplayState) == 24, "display state is six 32-bit words");
