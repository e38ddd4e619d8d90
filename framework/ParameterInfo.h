// What the framework knows of one parameter, and the mapping between the
// host's normalised value and the value in the parameter's own units.
#pragma once

#include <cstdint>

// Unit codes, numbered as Audio Units number them.
enum ParameterUnit : int32_t
{
    kUnitGeneric = 0,
    kUnitIndexed = 1,
    kUnitBoolean = 2,
    kUnitPercent = 3,
    kUnitSeconds = 4,
    kUnitHertz = 8,
    kUnitCents = 9,
    kUnitRelativeSemitones = 10,
    kUnitMidiNoteNumber = 11,
    kUnitDecibels = 13,
    kUnitLinearGain = 14,
    kUnitMixerFaderCurve = 17,
    kUnitPan = 18,
    kUnitBPM = 22,
    kUnitBeats = 23,
    kUnitMilliseconds = 24,
};

struct ParameterInfo
{
    const char* name;
    int32_t unit;
    float minimum;
    float maximum;
    float defaultValue;
};

// Result codes of the framework's queries.
enum : int32_t
{
    kResultOk = 0,
    kResultInvalidParameter = -10878,
    kResultInvalidProperty = -10879,
};

// Host value (normally 0..1, extrapolated outside) to units: whole numbers for
// indexed and beats, exponential for hertz, linear otherwise.
float valueFromNormalised(const ParameterInfo& info, float normalised);
// The inverse; not limited to 0..1.
float normalisedFromValue(const ParameterInfo& info, float value);

// The unit's label for the host ("seconds", "Hz", ...; empty for most).
const char* unitLabel(int32_t unit);

// Texts written into host buffers never take more than this, zero included.
constexpr int kValueTextBytes = 24;

// "%.3f" below 10, "%.2f" below 100, "%.1f" below 1000, else "%.0f", chosen
// on the signed value before rounding. A text that would not fit in
// kValueTextBytes (only values far outside any range) is written as "%.6g".
void formatNumericValue(float value, char* text);

// The short form for list values that have no string: at most 8 characters,
// "Huge!" beyond the range it can show.
void formatFallbackValue(float value, char* text);
