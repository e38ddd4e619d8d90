// What a control knows of its parameter: a copy of the effect's table row.
#pragma once

#include <cstdint>

class HaldAuBase;

namespace HD {

struct ParameterDescriptor
{
    int index = 0;
    char name[52] = {};
    const char* unitName = nullptr;
    int clumpId = 0;
    const char* nameString = nullptr;
    int unit = 0;
    float minimum = 0.0f;
    float maximum = 0.0f;
    float defaultValue = 0.0f;
    int flags = 0;
    HaldAuBase* effect = nullptr;
};

// Fills descriptor from the effect's parameter index.
void describeParameter(ParameterDescriptor& descriptor, HaldAuBase* effect, int index);

}  // namespace HD
