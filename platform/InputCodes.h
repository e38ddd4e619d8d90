// The codes pointer input carries across the platform seam; the toolkit's
// Modifier flags and DragEvent kinds are these same numbers.
#pragma once

namespace platform {

// Modifier flags as pointer events carry them.
constexpr int kModifierAlt = 0x100;
constexpr int kModifierShift = 0x200;
constexpr int kModifierControl = 0x800;

// The drag's events, as the platform reports them to dragEvent.
constexpr int kDragMoved = 0;
constexpr int kDragModifiersChanged = 1;
constexpr int kDragReleased = 2;
constexpr int kDragFailed = 3;

}  // namespace platform
