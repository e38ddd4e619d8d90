// The per-user display preferences, shared by every instance of the plug-in.
// No in-memory state: each call reads or writes the store afresh, so one
// instance's write is seen by the next read anywhere. User-interface thread.
#pragma once

#include <cstdint>

class CFString;

constexpr const char* kPreferencesKey = "com.haldrane.Parfelle";

// The four preferences' names, as stored.
inline constexpr char kGuiScalePreference[] = "GUI scale";
inline constexpr char kEyeCandyPreference[] = "Enable eye candy";
inline constexpr char kConstantRedrawPreference[] = "Enable constant redraw";
inline constexpr char kFloatingTooltipPreference[] = "Enable floating tooltip";

int32_t readPreference(int32_t defaultValue, const CFString* name);
void writePreference(const CFString* name, int32_t value);
