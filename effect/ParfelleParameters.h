// The effect's parameter table: the one place names, units, ranges and
// defaults are written. Everything else (host texts, programs, editor) is
// derived from it.
#pragma once

#include "framework/ParameterInfo.h"

enum ParfelleParameter : int
{
    kDelayTime,
    kFeedback,
    kDryLevel,
    kEffectLevel,
    kResync,
    kHostTempo,
    kBeats,
    kBeatDivisor,
    kTriplet,
    kFilterCutoff,
    kFilterQ,
    kFilterType,
    kSaturationAmount,
    kSaturationShape,
    kLfoSpeed,
    kLfoAmount,
    kLfoResync,
    kLfoHostTempo,
    kLfoBeats,
    kLfoBeatDivisor,
    kLfoTriplet,
    kParfelleParameterCount
};

inline constexpr ParameterInfo kParfelleParameters[] = {
    {"Delay Time", kUnitSeconds, 0.0f, 30.0f, 1.0f},
    {"Feedback", kUnitPercent, 0.0f, 100.0f, 70.0f},
    {"Dry Level", kUnitMixerFaderCurve, 0.0f, 1.0f, 1.0f},
    {"Effect Level", kUnitMixerFaderCurve, 0.0f, 1.0f, 1.0f},
    {"Re-Sync", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"Host Tempo", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"Beats", kUnitBeats, 1.0f, 16.0f, 4.0f},
    {"Beat Divisor", kUnitIndexed, 0.0f, 5.0f, 2.0f},
    {"Triplet", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"Filter Cutoff", kUnitHertz, 50.0f, 12000.0f, 1000.0f},
    {"Filter Q", kUnitGeneric, 0.01f, 1.0f, 0.1f},
    {"Filter Type", kUnitGeneric, 0.0f, 4.0f, 0.0f},
    {"Saturation Amount", kUnitGeneric, 0.0f, 11.0f, 0.0f},
    {"Saturation Shape", kUnitGeneric, 0.0f, 1.0f, 1.0f},
    {"Filter LFO Speed", kUnitHertz, 0.05f, 20.0f, 0.2f},
    {"Filter LFO Amount", kUnitGeneric, -3.0f, 3.0f, 0.0f},
    {"LFO Re-Sync", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"LFO Host Tempo", kUnitBoolean, 0.0f, 1.0f, 0.0f},
    {"LFO Beats", kUnitBeats, 1.0f, 16.0f, 4.0f},
    {"LFO Beat Divisor", kUnitIndexed, 0.0f, 5.0f, 2.0f},
    {"LFO Triplet", kUnitBoolean, 0.0f, 1.0f, 0.0f},
};

static_assert(sizeof kParfelleParameters / sizeof kParfelleParameters[0] == kParfelleParameterCount,
              "one table row per parameter");

namespace parfelle_detail {
constexpr bool sameText(const char* a, const char* b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}
}  // namespace parfelle_detail

// The enum and the table must not drift apart.
static_assert(parfelle_detail::sameText(kParfelleParameters[kResync].name, "Re-Sync"), "table order");
static_assert(parfelle_detail::sameText(kParfelleParameters[kBeatDivisor].name, "Beat Divisor"), "table order");
static_assert(parfelle_detail::sameText(kParfelleParameters[kFilterType].name, "Filter Type"), "table order");
static_assert(parfelle_detail::sameText(kParfelleParameters[kLfoResync].name, "LFO Re-Sync"), "table order");
static_assert(parfelle_detail::sameText(kParfelleParameters[kLfoBeatDivisor].name, "LFO Beat Divisor"),
              "table order");
static_assert(parfelle_detail::sameText(kParfelleParameters[kLfoTriplet].name, "LFO Triplet"), "table order");

// Texts of the two beat-divisor lists, by value: value v is 2^-v whole notes.
inline constexpr const char* kBeatDivisorNames[] = {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32"};
inline constexpr int kBeatDivisorCount = 6;
static_assert(sizeof kBeatDivisorNames / sizeof kBeatDivisorNames[0] == kBeatDivisorCount, "divisor list");

// Names of the whole "Filter Type" values.
inline constexpr const char* kFilterTypeNames[] = {"Thru", "Low", "Band", "High", "Thru"};
