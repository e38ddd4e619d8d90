// Musical time for one block: tempo-synced delay and LFO, the LFO phase and
// the delay length in samples.
//
// A tempo T counts quarter notes per minute, so a whole note lasts 240 / T
// seconds; a divisor v stands for 2^-v whole notes; a triplet takes two
// thirds of that (160 in place of 240).
//
//   synced delay = beats * 2^-v * K / T seconds
//   synced LFO   = T / (beats * 2^-v * K) Hz
//
// 0 means "not synced" for both, so the free-running parameter applies.
//
// Contract: plain functions of their arguments, no state and no allocation;
// the effect keeps the LFO phase and calls them once per block on the audio
// thread (advanceLfoPhase is the per-block step).
#pragma once

#include <cstdint>

namespace dsp::timebase {

constexpr float kTwoPi = 6.2831855f;        // 2 pi as a 32-bit float
constexpr float kInverseTwoPi = 0.15915494f; // 1 / (2 pi) as a 32-bit float
constexpr double kMaxDelaySeconds = 30.0;

// A host tempo is usable when it is finite and not negative (0 is usable and
// makes the synced delay unbounded and the synced LFO rate 0).
bool usableTempo(double tempo);

double syncedDelaySeconds(double tempo, float beats, float divisor, bool triplet);
double syncedLfoRate(double tempo, float beats, float divisor, bool triplet);

// Advances phase (radians, kept in 0 up to 2 pi) by rate * frames / sr of a
// turn. A step that is not a finite number leaves the phase where it is; a
// huge one wraps in one step rather than by repeated subtraction.
float advanceLfoPhase(float phase, double rate, uint32_t frames, float sampleRate);

// Seconds to whole samples: rounded, at most 30 s, at least 1.
int32_t delayLengthSamples(double seconds, float sampleRate);

}  // namespace dsp::timebase
