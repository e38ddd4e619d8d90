// Modifier keys as passed with pointer events.
#pragma once

#include "platform/InputCodes.h"

namespace HD {

enum Modifier : int
{
    ModifierAlt = platform::kModifierAlt,
    ModifierShift = platform::kModifierShift,
    ModifierControl = platform::kModifierControl,
};

}  // namespace HD
