// Modifier keys as passed with pointer events.
#pragma once

namespace HD {

enum Modifier : int
{
    ModifierAlt = 0x100,
    ModifierShift = 0x200,
    ModifierControl = 0x800,
};

}  // namespace HD
