#include "framework/HaldProgram.h"

#include <cstring>

HaldProgramBasic::HaldProgramBasic(int parameterCount)
    : values_(new std::atomic<float>[static_cast<size_t>(parameterCount)])
{
    for (int i = 0; i < parameterCount; ++i) values_[i].store(0.0f, std::memory_order_relaxed);
}

void HaldProgramBasic::setName(const char* name)
{
    std::strncpy(name_, name ? name : "", kNameBytes);
    name_[kNameBytes - 1] = 0;
}
