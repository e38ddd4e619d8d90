#include "gui/ParameterDescriptor.h"

#include <cstring>

#include "framework/HaldAuBase.h"

namespace HD {

void describeParameter(ParameterDescriptor& descriptor, HaldAuBase* effect, int index)
{
    descriptor = ParameterDescriptor{};
    descriptor.index = index;
    descriptor.effect = effect;
    if (!effect || index < 0 || index >= effect->parameterCount()) return;
    const ParameterInfo& info = effect->parameterInfo(index);
    if (info.name) std::strncpy(descriptor.name, info.name, sizeof descriptor.name - 1);
    descriptor.unit = info.unit;
    descriptor.minimum = info.minimum;
    descriptor.maximum = info.maximum;
    descriptor.defaultValue = info.defaultValue;
}

}  // namespace HD
