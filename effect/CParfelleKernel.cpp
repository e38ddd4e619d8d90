#include "effect/CParfelleKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// The loop's state, copied into locals while a run is processed so the
// compiler keeps it in registers despite the buffers' possible aliasing.
struct Sweep
{
    float* line;
    const float* source;
    float* destination;
    int32_t position;
    float p;
    unsigned done;
    EchoFilterState filter;
    float previous;
    float tracker;
};

struct SampleConstants
{
    EchoCoefficients echo;
    float R, fb, dry, wet, Lf;
};

// count samples in one direction. Faded: near a turning point, where the
// written input fades to its DC part; otherwise g is 1 and the cell simply
// takes the input plus feedback.
template <bool Faded, EchoResponse Response>
inline void runSamples(Sweep& sweep, uint32_t count, int32_t step, const SampleConstants& k)
{
    float* const line = sweep.line;
    const float* const source = sweep.source;
    float* const destination = sweep.destination;
    int32_t position = sweep.position;
    float p = sweep.p;
    unsigned done = sweep.done;
    EchoFilterState filter = sweep.filter;
    float previous = sweep.previous;
    float tracker = sweep.tracker;

    for (uint32_t i = 0; i < count; ++i, ++done) {
        float x = source[done];
        if (!std::isfinite(x)) x = 0.0f;  // one bad sample must not poison the line

        const float d = line[position];
        const float e = processEcho<Response>(d, k.echo, filter);
        tracker = x - previous + k.R * tracker;
        previous = x;
        destination[done] = e * k.wet + x * k.dry;
        if (Faded) {
            const float g = std::min(std::min(p, k.Lf - p), static_cast<float>(HaldParfelle::CParfelleKernel::kFadeSamples)) *
                            (1.0f / HaldParfelle::CParfelleKernel::kFadeSamples);
            line[position] = (x - tracker) * (1.0f - g) + x * g + k.fb * e;
        } else {
            line[position] = x + k.fb * e;
        }
        position += step;
        p += static_cast<float>(step);
    }

    sweep.position = position;
    sweep.p = p;
    sweep.done = done;
    sweep.filter = filter;
    sweep.previous = previous;
    sweep.tracker = tracker;
}

template <EchoResponse Response>
inline void runSamples(Sweep& sweep, uint32_t count, int32_t step, const SampleConstants& k, bool faded)
{
    if (faded)
        runSamples<true, Response>(sweep, count, step, k);
    else
        runSamples<false, Response>(sweep, count, step, k);
}

inline void runSamples(Sweep& sweep, uint32_t count, int32_t step, const SampleConstants& k, bool faded,
                       EchoResponse response)
{
    switch (response) {
    case EchoResponse::Thru: runSamples<EchoResponse::Thru>(sweep, count, step, k, faded); break;
    case EchoResponse::Low: runSamples<EchoResponse::Low>(sweep, count, step, k, faded); break;
    case EchoResponse::Band: runSamples<EchoResponse::Band>(sweep, count, step, k, faded); break;
    case EchoResponse::High: runSamples<EchoResponse::High>(sweep, count, step, k, faded); break;
    default: runSamples<EchoResponse::Blend>(sweep, count, step, k, faded); break;
    }
}

}  // namespace

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

    Sweep sweep{buffer_.get(), source, destination, 0, 0.0f, 0, filter_, previousInput_, inputTracker_};
    const SampleConstants constants{coefficients, R, fb, dry, wet, Lf};
    const EchoResponse response = responseOf(coefficients);
    bool forward = forward_ != 0;

    sweep.position = blockStartPosition(position_, forward, L);
    sweep.p = static_cast<float>(sweep.position);

    // Cells kFadeSamples or more from both ends are written without the
    // fade's arithmetic (g is 1 there); the runs are cut where that changes.
    const int32_t middleFirst = kFadeSamples;
    const int32_t middleLast = L - kFadeSamples;
    while (sweep.done < frames) {
        const int32_t step = forward ? 1 : -1;
        const uint32_t distance = static_cast<uint32_t>(forward ? L - sweep.position : sweep.position);
        uint32_t n = std::min<uint32_t>(distance, frames - sweep.done);
        if (n == distance) forward = !forward;

        while (n > 0) {
            const int32_t at = sweep.position;
            const bool middle = at >= middleFirst && at <= middleLast;
            int64_t run;
            if (middle)
                run = step > 0 ? middleLast - at + 1 : at - middleFirst + 1;
            else if (at < middleFirst)
                run = step > 0 ? middleFirst - at : n;
            else
                run = step > 0 ? n : at - middleLast;
            const uint32_t count = static_cast<uint32_t>(std::min<int64_t>(run, n));
            runSamples(sweep, count, step, constants, !middle, response);
            n -= count;
        }
    }

    const int32_t position = sweep.position;
    const float p = sweep.p;
    const EchoFilterState filter = sweep.filter;
    const float previous = sweep.previous;
    const float tracker = sweep.tracker;

    position_ = position;
    forward_ = forward ? 1 : 0;
    filter_ = filter;
    previousInput_ = previous;
    inputTracker_ = tracker;

    parfelle_->publishSweep(Lf > 0.0f ? p / Lf : 0.0f, forward);
}
