#include "effect/CParfelleKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

HaldParfelle::CParfelleKernel::CParfelleKernel(HaldParfelle* effect) : AUKernelBase(effect), parfelle_(effect)
{
    if (!tryReset()) throw std::bad_alloc();
}

uint32_t HaldParfelle::CParfelleKernel::capacityFor(float sampleRate)
{
    const double cells = std::floor(static_cast<double>(sampleRate) * 30.0 + 16.0);
    if (!(cells >= 1.0) || cells * sizeof(float) > 4294967295.0) return 0;
    return static_cast<uint32_t>(cells);
}

void HaldParfelle::CParfelleKernel::Reset() { tryReset(); }

int32_t HaldParfelle::CParfelleKernel::blockStartPosition(int64_t position, bool forward, int32_t length)
{
    if (position < 0) position = 0;
    if (forward) return static_cast<int32_t>(position % length);
    if (position > length) position = (position - 1) % length + 1;
    return position < 1 ? 1 : static_cast<int32_t>(position);
}

bool HaldParfelle::CParfelleKernel::tryReset()
{
    const float rate = parfelle_->getSampleRate();
    const uint32_t cells = capacityFor(rate);
    if (cells == 0) return false;
    float* fresh = new (std::nothrow) float[cells];
    if (!fresh) return false;
    std::memset(fresh, 0, cells * sizeof(float));
    buffer_.reset(fresh);
    bufferBytes_ = cells * static_cast<uint32_t>(sizeof(float));
    sampleRate_ = rate;
    filter_ = EchoFilterState{};
    previousInput_ = 0.0f;
    inputTracker_ = 0.0f;
    position_ = 0;
    forward_ = 1;
    return true;
}

void HaldParfelle::CParfelleKernel::Process(const float* source, float* destination, unsigned frames,
                                            unsigned /*channels*/, bool& silence)
{
    silence = false;
    const float rate = parfelle_->getSampleRate();
    if (rate != sampleRate_ && !tryReset()) {
        // No line for the new rate: let the block through and try again next time.
        if (source != destination) std::memmove(destination, source, frames * sizeof(float));
        return;
    }

    const HaldParfelle::BlockSettings& block = parfelle_->blockSettings();
    const float sr = sampleRate_;
    const float R = 1.0f - 126.0f / sr;
    const float fb = block.feedback * 0.01f;
    const float dry = block.dryLevel * block.dryLevel * block.dryLevel;
    const float wet = block.effectLevel * block.effectLevel * block.effectLevel;
    EchoSettings echoSettings = block.echo;
    echoSettings.sampleRate = sr;
    const EchoCoefficients coefficients = computeEchoCoefficients(echoSettings);

    // The sweep runs over cells 0..L, all inside the line even if the rate
    // changed between the time base and this kernel.
    const int32_t L = std::min<int64_t>(parfelle_->delayLength(), static_cast<int64_t>(bufferCells()) - 1);
    const float Lf = static_cast<float>(L);

    float* const line = buffer_.get();
    EchoFilterState filter = filter_;
    float previous = previousInput_;
    float tracker = inputTracker_;
    bool forward = forward_ != 0;

    int32_t position = blockStartPosition(position_, forward, L);
    float p = static_cast<float>(position);

    unsigned done = 0;
    while (done < frames) {
        const int32_t step = forward ? 1 : -1;
        const uint32_t distance = static_cast<uint32_t>(forward ? L - position : position);
        const uint32_t n = std::min<uint32_t>(distance, frames - done);
        if (n == distance) forward = !forward;

        for (uint32_t i = 0; i < n; ++i, ++done) {
            float x = source[done];
            if (!std::isfinite(x)) x = 0.0f;  // one bad sample must not poison the line

            const float d = line[position];
            const float e = processEcho(d, coefficients, filter);
            tracker = x - previous + R * tracker;
            previous = x;
            const float g = std::min(std::min(p, Lf - p), static_cast<float>(kFadeSamples)) *
                            (1.0f / kFadeSamples);
            destination[done] = e * wet + x * dry;
            line[position] = (x - tracker) * (1.0f - g) + x * g + fb * e;

            position += step;
            p += static_cast<float>(step);
        }
    }

    position_ = position;
    forward_ = forward ? 1 : 0;
    filter_ = filter;
    previousInput_ = previous;
    inputTracker_ = tracker;

    parfelle_->publishSweep(Lf > 0.0f ? p / Lf : 0.0f, forward);
}
