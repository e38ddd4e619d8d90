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
// Contract: TimeBase holds the LFO phase and the delay length; the effect
// calls process once per block on the audio thread, before the sweep runs.
// It allocates nothing and never fails. The functions below are its steps,
// plain functions of their arguments.
#pragma once

#include <cstdint>

namespace dsp {

// One block's settings, as processing uses them.
struct TimeBaseSettings
{
    double tempo = -1.0;  // the host's tempo; not a usable one when there is none
    bool delayFollowsHost = false;
    float beats = 4.0f, divisor = 2.0f;
    bool triplet = false;
    bool lfoFollowsHost = false;
    float lfoBeats = 4.0f, lfoDivisor = 2.0f;
    bool lfoTriplet = false;
    double delaySeconds = 1.0;  // used when the delay is not synced
    double lfoRate = 0.2;       // Hz, used when the LFO is not synced
    bool restartLfo = false;    // the phase goes back to 0 and does not advance this block
};

class TimeBase
{
public:
    // LFO phase 0, delay length 1 sample.
    void reset()
    {
        lfoPhase_ = 0.0f;
        delayLength_ = 1;
    }
    void setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }
    // Advances the LFO over `frames` and works out the delay length; true
    // when the length changed.
    bool process(const TimeBaseSettings& settings, uint32_t frames);

    float lfoPhase() const { return lfoPhase_; }  // radians, 0 up to 2 pi
    int32_t delayLength() const { return delayLength_; }

private:
    float sampleRate_ = 44100.0f;
    float lfoPhase_ = 0.0f;
    int32_t delayLength_ = 1;
};

}  // namespace dsp

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
