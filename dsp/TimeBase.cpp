#include "dsp/TimeBase.h"

#include <cmath>

namespace dsp::timebase {

bool usableTempo(double tempo) { return std::isfinite(tempo) && tempo >= 0.0; }

namespace {
double noteSeconds(float beats, float divisor, bool triplet)
{
    return beats * std::exp2(-static_cast<double>(divisor)) * (triplet ? 160.0 : 240.0);
}
}  // namespace

double syncedDelaySeconds(double tempo, float beats, float divisor, bool triplet)
{
    const double seconds = noteSeconds(beats, divisor, triplet) / tempo;
    // 0/0 (no beats at tempo 0) has no length: treat it as not synced.
    return std::isnan(seconds) ? 0.0 : seconds;
}

double syncedLfoRate(double tempo, float beats, float divisor, bool triplet)
{
    const double rate = tempo / noteSeconds(beats, divisor, triplet);
    return std::isnan(rate) ? 0.0 : rate;
}

float advanceLfoPhase(float phase, double rate, uint32_t frames, float sampleRate)
{
    const float step = static_cast<float>(rate) * (static_cast<float>(frames) / sampleRate) * kTwoPi;
    if (!std::isfinite(step)) return phase;
    phase += step;
    // A few turns are unwound exactly as the phase always has been; anything
    // larger (a rate far beyond any setting) in one step.
    if (phase >= 64.0f * kTwoPi || phase < -64.0f * kTwoPi) phase = std::fmod(phase, kTwoPi);
    while (phase >= kTwoPi) phase -= kTwoPi;
    while (phase < 0.0f) phase += kTwoPi;
    // Rounding can leave exactly 2 pi after adding to a tiny negative value.
    if (phase >= kTwoPi) phase = 0.0f;
    return phase;
}

int32_t delayLengthSamples(double seconds, float sampleRate)
{
    if (seconds > kMaxDelaySeconds) seconds = kMaxDelaySeconds;
    const double samples = seconds * sampleRate + 0.5;
    if (!(samples >= 1.0)) return 1;  // also catches NaN
    if (samples >= 2147483647.0) return 2147483647;  // only at absurd sample rates
    return static_cast<int32_t>(samples);
}

}  // namespace dsp::timebase

namespace dsp {

bool TimeBase::process(const TimeBaseSettings& s, uint32_t frames)
{
    double syncedDelay = 0.0;
    double syncedRate = 0.0;
    if (timebase::usableTempo(s.tempo)) {
        if (s.delayFollowsHost) syncedDelay = timebase::syncedDelaySeconds(s.tempo, s.beats, s.divisor, s.triplet);
        if (s.lfoFollowsHost)
            syncedRate = timebase::syncedLfoRate(s.tempo, s.lfoBeats, s.lfoDivisor, s.lfoTriplet);
    }
    if (s.restartLfo)
        lfoPhase_ = 0.0f;
    else
        lfoPhase_ = timebase::advanceLfoPhase(lfoPhase_, syncedRate != 0.0 ? syncedRate : s.lfoRate, frames,
                                              sampleRate_);
    const int32_t length =
        timebase::delayLengthSamples(syncedDelay != 0.0 ? syncedDelay : s.delaySeconds, sampleRate_);
    const bool changed = length != delayLength_;
    delayLength_ = length;
    return changed;
}

}  // namespace dsp
