// The LV2 plug-in's ports, derived from the effect's parameter table: port i
// is parameter i (0..20) in the parameter's own units, then the four audio
// ports and the optional time-position input.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "effect/ParfelleParameters.h"

namespace lv2port {

constexpr uint32_t kAudioInLeft = kParfelleParameterCount;
constexpr uint32_t kAudioInRight = kAudioInLeft + 1;
constexpr uint32_t kAudioOutLeft = kAudioInLeft + 2;
constexpr uint32_t kAudioOutRight = kAudioInLeft + 3;
constexpr uint32_t kTimePosition = kAudioInLeft + 4;
constexpr uint32_t kCount = kTimePosition + 1;

inline constexpr const char* kPluginUri = "https://www.haldrane.com/parfelle";
inline constexpr const char* kUiUri = "https://www.haldrane.com/parfelle#ui";
inline constexpr const char* kPresetUriPrefix = "https://www.haldrane.com/parfelle#program";

// The port's symbol: the parameter's name in lower case, every run of other
// characters one underscore ("Re-Sync" -> "re_sync"). Hosts store sessions by
// symbol, so a renamed parameter is a new port.
inline std::string symbol(int parameter)
{
    std::string text;
    bool gap = false;
    for (const char* c = kParfelleParameters[parameter].name; *c; ++c) {
        const char ch = *c;
        const bool alnum = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
        if (!alnum) {
            gap = !text.empty();
            continue;
        }
        if (gap) text += '_';
        gap = false;
        text += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    }
    return text;
}

// Whole numbers (indexed lists, beat counts): the mapping rounds them.
constexpr bool isInteger(int parameter)
{
    const int32_t unit = kParfelleParameters[parameter].unit;
    return unit == kUnitIndexed || unit == kUnitBeats;
}

// The host value a port's value in units stands for: the table's own mapping,
// so that the effect stores what a VST host's value for the same setting
// would store. NaN has no host value (the caller keeps the stored one); a
// value the mapping cannot take (a frequency of 0 or below) lies below the
// whole range, which processing limits like any far-out host value.
inline bool normalisedFromPort(int parameter, float units, float& normalised)
{
    if (std::isnan(units)) return false;
    normalised = normalisedFromValue(kParfelleParameters[parameter], units);
    if (std::isnan(normalised)) normalised = -INFINITY;
    return true;
}

}  // namespace lv2port
