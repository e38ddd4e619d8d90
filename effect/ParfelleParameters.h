// The effect's parameter table: the one place each parameter's enumerator,
// name, unit, range, default, value texts and knob caption are written.
// Everything else (the framework's table, host texts, programs, the editor's
// knobs) is derived from it.
#pragma once

#include "framework/ParameterInfo.h"

// Texts of the two beat-divisor lists, by value: value v is 2^-v whole notes.
inline constexpr const char* kBeatDivisorNames[] = {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32"};
// Names of the whole "Filter Type" values; values between cross-fade.
inline constexpr const char* kFilterTypeNames[] = {"Thru", "Low", "Band", "High", "Thru"};

// A parameter's value texts, by whole value from 0: an indexed parameter's
// list, or the names a continuous parameter shows at its whole values.
struct ParameterTexts
{
    const char* const* names = nullptr;
    int count = 0;
};
inline constexpr ParameterTexts kNoTexts{};
inline constexpr ParameterTexts kBeatDivisorTexts{kBeatDivisorNames, sizeof kBeatDivisorNames / sizeof *kBeatDivisorNames};
inline constexpr ParameterTexts kFilterTypeTexts{kFilterTypeNames, sizeof kFilterTypeNames / sizeof *kFilterTypeNames};

// X(enumerator, name, unit, minimum, maximum, default, value texts, knob caption)
#define PARFELLE_PARAMETER_TABLE(X)                                                                  \
    X(kDelayTime, "Delay Time", kUnitSeconds, 0.0f, 30.0f, 1.0f, kNoTexts, "Time")                   \
    X(kFeedback, "Feedback", kUnitPercent, 0.0f, 100.0f, 70.0f, kNoTexts, "Feedback")                \
    X(kDryLevel, "Dry Level", kUnitMixerFaderCurve, 0.0f, 1.0f, 1.0f, kNoTexts, "Dry")               \
    X(kEffectLevel, "Effect Level", kUnitMixerFaderCurve, 0.0f, 1.0f, 1.0f, kNoTexts, "Effect")      \
    X(kResync, "Re-Sync", kUnitBoolean, 0.0f, 1.0f, 0.0f, kNoTexts, nullptr)                         \
    X(kHostTempo, "Host Tempo", kUnitBoolean, 0.0f, 1.0f, 0.0f, kNoTexts, "Host Sync")               \
    X(kBeats, "Beats", kUnitBeats, 1.0f, 16.0f, 4.0f, kNoTexts, "Beats")                             \
    X(kBeatDivisor, "Beat Divisor", kUnitIndexed, 0.0f, 5.0f, 2.0f, kBeatDivisorTexts, "Divisor")    \
    X(kTriplet, "Triplet", kUnitBoolean, 0.0f, 1.0f, 0.0f, kNoTexts, "Triplet")                      \
    X(kFilterCutoff, "Filter Cutoff", kUnitHertz, 50.0f, 12000.0f, 1000.0f, kNoTexts, "Cutoff")      \
    X(kFilterQ, "Filter Q", kUnitGeneric, 0.01f, 1.0f, 0.1f, kNoTexts, "Resonance")                  \
    X(kFilterType, "Filter Type", kUnitGeneric, 0.0f, 4.0f, 0.0f, kFilterTypeTexts, "Type")          \
    X(kSaturationAmount, "Saturation Amount", kUnitGeneric, 0.0f, 11.0f, 0.0f, kNoTexts, "Saturation") \
    X(kSaturationShape, "Saturation Shape", kUnitGeneric, 0.0f, 1.0f, 1.0f, kNoTexts, "Shape")       \
    X(kLfoSpeed, "Filter LFO Speed", kUnitHertz, 0.05f, 20.0f, 0.2f, kNoTexts, "Speed")              \
    X(kLfoAmount, "Filter LFO Amount", kUnitGeneric, -3.0f, 3.0f, 0.0f, kNoTexts, "Amount")          \
    X(kLfoResync, "LFO Re-Sync", kUnitBoolean, 0.0f, 1.0f, 0.0f, kNoTexts, nullptr)                  \
    X(kLfoHostTempo, "LFO Host Tempo", kUnitBoolean, 0.0f, 1.0f, 0.0f, kNoTexts, "Host Sync")        \
    X(kLfoBeats, "LFO Beats", kUnitBeats, 1.0f, 16.0f, 4.0f, kNoTexts, "Beats")                      \
    X(kLfoBeatDivisor, "LFO Beat Divisor", kUnitIndexed, 0.0f, 5.0f, 2.0f, kBeatDivisorTexts, "Divisor") \
    X(kLfoTriplet, "LFO Triplet", kUnitBoolean, 0.0f, 1.0f, 0.0f, kNoTexts, "Triplet")

enum ParfelleParameter : int
{
#define PARFELLE_ENUMERATOR(id, ...) id,
    PARFELLE_PARAMETER_TABLE(PARFELLE_ENUMERATOR)
#undef PARFELLE_ENUMERATOR
    kParfelleParameterCount
};

// The framework's view of the table.
inline constexpr ParameterInfo kParfelleParameters[] = {
#define PARFELLE_INFO(id, name, unit, minimum, maximum, defaultValue, texts, caption) \
    {name, unit, minimum, maximum, defaultValue},
    PARFELLE_PARAMETER_TABLE(PARFELLE_INFO)
#undef PARFELLE_INFO
};

// Value texts and knob captions by parameter (null caption: no knob).
inline constexpr ParameterTexts kParfelleParameterTexts[] = {
#define PARFELLE_TEXTS(id, name, unit, minimum, maximum, defaultValue, texts, caption) texts,
    PARFELLE_PARAMETER_TABLE(PARFELLE_TEXTS)
#undef PARFELLE_TEXTS
};
inline constexpr const char* kParfelleKnobCaptions[] = {
#define PARFELLE_CAPTION(id, name, unit, minimum, maximum, defaultValue, texts, caption) caption,
    PARFELLE_PARAMETER_TABLE(PARFELLE_CAPTION)
#undef PARFELLE_CAPTION
};

static_assert(sizeof kParfelleParameters / sizeof kParfelleParameters[0] == kParfelleParameterCount &&
                  sizeof kParfelleParameterTexts / sizeof kParfelleParameterTexts[0] == kParfelleParameterCount &&
                  sizeof kParfelleKnobCaptions / sizeof kParfelleKnobCaptions[0] == kParfelleParameterCount,
              "one row per parameter");

namespace parfelle_detail {
// An indexed parameter's list covers its whole range: one text per value.
constexpr bool textsCoverRanges()
{
    for (int i = 0; i < kParfelleParameterCount; ++i) {
        const ParameterInfo& row = kParfelleParameters[i];
        const ParameterTexts& texts = kParfelleParameterTexts[i];
        if (row.unit == kUnitIndexed && (row.minimum != 0.0f || texts.count != static_cast<int>(row.maximum) + 1))
            return false;
        if (texts.count > 0 && texts.count != static_cast<int>(row.maximum - row.minimum) + 1) return false;
    }
    return true;
}
}  // namespace parfelle_detail
static_assert(parfelle_detail::textsCoverRanges(), "value texts match their parameters' ranges");

// The longest list of value texts, for callers that gather one on the stack.
inline constexpr int kMaximumValueTexts = [] {
    int most = 0;
    for (const ParameterTexts& texts : kParfelleParameterTexts) most = texts.count > most ? texts.count : most;
    return most;
}();

// The two re-sync parameters are one-shots: a 1 restarts the sweep or the
// LFO at the next block, which then writes 0 back.
constexpr bool isOneShotParameter(int index) { return index == kResync || index == kLfoResync; }
