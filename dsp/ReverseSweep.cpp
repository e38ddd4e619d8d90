#include "dsp/ReverseSweep.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#if defined(__SSE2__) || defined(_M_X64) || defined(__x86_64__)
#include <emmintrin.h>
#define PARFELLE_PAIR_LANES 1
#endif

namespace dsp {
namespace {

constexpr int32_t kFade = ReverseSweep::kFadeSamples;

// The block's values every sample uses, read once per block.
struct SampleConstants
{
    EchoCoefficients echo;
    float R, fb, dry, wet;
    int32_t L;
};

SampleConstants blockConstants(const SweepBlock& block, float sampleRate, int32_t L)
{
    EchoSettings echoSettings = block.echo;
    echoSettings.sampleRate = sampleRate;
    SampleConstants k;
    k.echo = computeEchoCoefficients(echoSettings);
    k.R = DcTracker::coefficientFor(sampleRate);
    k.fb = block.feedback * 0.01f;
    k.dry = block.dryLevel * block.dryLevel * block.dryLevel;
    k.wet = block.effectLevel * block.effectLevel * block.effectLevel;
    k.L = L;
    return k;
}

// The end fade at a position: min(p, L - p, 16) / 16, worked out on whole
// numbers (the same float as the fade counter gives while L < 2^24).
inline float fadeAt(int32_t position, int32_t L)
{
    return static_cast<float>(std::min(std::min(position, L - position), kFade)) * (1.0f / kFade);
}

// Cuts a block into runs that each go one way and lie either wholly in the
// middle of the sweep (cells kFade..L-kFade, where g is 1) or wholly in a
// faded end. run(position, done, count, step, middle) processes count
// samples from input frame done, starting at that cell; position and
// forward are left where the block ends.
template <typename Run>
inline void sweepBlock(int32_t& position, bool& forward, int32_t L, uint32_t frames, Run&& run)
{
    const int32_t middleFirst = kFade;
    const int32_t middleLast = L - kFade;
    uint32_t done = 0;
    while (done < frames) {
        const int32_t step = forward ? 1 : -1;
        const uint32_t distance = static_cast<uint32_t>(forward ? L - position : position);
        uint32_t n = std::min<uint32_t>(distance, frames - done);
        if (n == distance) forward = !forward;

        while (n > 0) {
            const int32_t at = position;
            const bool middle = at >= middleFirst && at <= middleLast;
            int64_t stretch;
            if (middle)
                stretch = step > 0 ? middleLast - at + 1 : at - middleFirst + 1;
            else if (at < middleFirst)
                stretch = step > 0 ? middleFirst - at : n;
            else
                stretch = step > 0 ? n : at - middleLast;
            const uint32_t count = static_cast<uint32_t>(std::min<int64_t>(stretch, n));
            run(at, done, count, step, middle);
            position += step * static_cast<int32_t>(count);
            done += count;
            n -= count;
        }
    }
}

// ---- One channel, one sample at a time (process) ---------------------------

struct ChannelState
{
    EchoFilterState filter;
    DcTracker input;
};

// count samples in one direction. Faded: near a turning point, where the
// written input fades to its DC part; otherwise g is 1 and the cell simply
// takes the input plus feedback.
template <bool Faded, EchoResponse Response>
inline void runSamples(float* line, const float* source, float* destination, ChannelState& state, int32_t position,
                       uint32_t count, int32_t step, const SampleConstants& k)
{
    EchoFilterState filter = state.filter;
    DcTracker input = state.input;

    for (uint32_t i = 0; i < count; ++i, position += step) {
        float x = source[i];
        if (!std::isfinite(x)) x = 0.0f;  // one bad sample must not poison the line

        const float d = line[position];
        const float e = processEcho<Response>(d, k.echo, filter);
        const float tracker = input.step(x, k.R);
        destination[i] = e * k.wet + x * k.dry;
        if (Faded) {
            const float g = fadeAt(position, k.L);
            line[position] = (x - tracker) * (1.0f - g) + x * g + k.fb * e;
        } else {
            line[position] = x + k.fb * e;
        }
    }

    state.filter = filter;
    state.input = input;
}

template <EchoResponse Response>
void runChannel(float* line, const float* source, float* destination, ChannelState& state, int32_t position,
                uint32_t count, int32_t step, const SampleConstants& k, bool middle)
{
    if (middle)
        runSamples<false, Response>(line, source, destination, state, position, count, step, k);
    else
        runSamples<true, Response>(line, source, destination, state, position, count, step, k);
}

using ChannelRun = void (*)(float*, const float*, float*, ChannelState&, int32_t, uint32_t, int32_t,
                            const SampleConstants&, bool);

ChannelRun channelRunFor(EchoResponse response)
{
    switch (response) {
    case EchoResponse::Thru: return runChannel<EchoResponse::Thru>;
    case EchoResponse::Low: return runChannel<EchoResponse::Low>;
    case EchoResponse::Band: return runChannel<EchoResponse::Band>;
    case EchoResponse::High: return runChannel<EchoResponse::High>;
    default: return runChannel<EchoResponse::Blend>;
    }
}

#if defined(PARFELLE_PAIR_LANES)

// ---- Both channels side by side (processPair) ------------------------------
//
// Lane 0 carries the left sweep, lane 1 the right; every lane operation is
// the single-channel loop's operation in the same order, so each lane gives
// the single-channel loop's float exactly (no fused multiply-add: SSE2 has
// none). The other two lanes carry copies of real samples, or zeros, and
// are never stored.

struct PairConstants
{
    __m128 drive, cubic, knee, negativeKnee, makeUp, F, q, bandLoss, wThru, wLow, wBand, wHigh;
    __m128 R, fb, dry, wet;
};

struct PairState
{
    __m128 low, band, high, previous, tracker;
};

// How the saturation's three cases are chosen. Clamp: y is first held to
// +-1.5 and the cubic then gives exactly +-c there (used for blocks where
// 1.5 - k 1.5^3 in float equals c, which the block checks; most shapes).
// Select: both tests and a select, for the shapes where it does not.
enum class Knee
{
    Clamp,
    Select,
};

inline __m128 set1(float v) { return _mm_set1_ps(v); }

// Drive, saturation and make-up: u for each lane on its own, so any four
// samples can go through together.
template <Knee K>
inline __m128 saturated(__m128 d, const PairConstants& k)
{
    const __m128 y = _mm_mul_ps(d, k.drive);
    __m128 s;
    if (K == Knee::Clamp) {
        // maxps/minps hand back their second operand when either is NaN:
        // a NaN passes through as the single-channel cubic would give it.
        const __m128 held = _mm_min_ps(set1(1.5f), _mm_max_ps(set1(-1.5f), y));
        s = _mm_sub_ps(held, _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(k.cubic, held), held), held));
    } else {
        const __m128 cubic = _mm_sub_ps(y, _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(k.cubic, y), y), y));
        const __m128 above = _mm_cmpge_ps(y, set1(1.5f));
        const __m128 below = _mm_cmplt_ps(y, set1(-1.5f));
        s = _mm_or_ps(_mm_or_ps(_mm_and_ps(above, k.knee), _mm_and_ps(below, k.negativeKnee)),
                      _mm_andnot_ps(_mm_or_ps(above, below), cubic));
    }
    return _mm_mul_ps(s, k.makeUp);
}

// The filter's step for one frame of both channels, from u; the response.
template <EchoResponse Response>
inline __m128 filtered(__m128 u, const PairConstants& k, PairState& s)
{
    const __m128 low = _mm_add_ps(s.low, _mm_mul_ps(k.F, s.band));
    const __m128 band =
        _mm_add_ps(_mm_sub_ps(s.band, _mm_mul_ps(k.bandLoss, s.band)), _mm_mul_ps(k.F, _mm_sub_ps(u, s.low)));
    __m128 e;
    if (Response == EchoResponse::High || Response == EchoResponse::Blend) {
        const __m128 high = _mm_sub_ps(_mm_sub_ps(u, low), _mm_mul_ps(k.q, s.band));
        if (Response == EchoResponse::High)
            e = high;
        else
            e = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(u, k.wThru), _mm_mul_ps(high, k.wHigh)),
                                      _mm_mul_ps(band, k.wBand)),
                           _mm_mul_ps(low, k.wLow));
    } else {
        e = Response == EchoResponse::Thru ? u : Response == EchoResponse::Low ? low : band;
    }
    s.low = low;
    s.band = band;
    return e;
}

// The filter's high output of the last sample, which the loop skips where
// the response does not use it: u - low - q band, from the last u and the
// band before the last update.
inline __m128 lastHigh(__m128 u, __m128 bandBefore, const PairState& s, const PairConstants& k)
{
    return _mm_sub_ps(_mm_sub_ps(u, s.low), _mm_mul_ps(k.q, bandBefore));
}

// Inputs that are not finite count as 0: x - x is 0 exactly for the others.
inline __m128 finiteOrZero(__m128 x) { return _mm_and_ps(x, _mm_cmpeq_ps(_mm_sub_ps(x, x), _mm_setzero_ps())); }

// One frame: echo, tracker, output and the cell's new value (g broadcast).
template <bool Faded, EchoResponse Response, Knee K>
inline void framePair(__m128 x, __m128 d, __m128 g, __m128 keep, const PairConstants& k, PairState& s, __m128& u,
                      __m128& bandBefore, __m128& out, __m128& cell)
{
    bandBefore = s.band;
    u = saturated<K>(d, k);
    const __m128 e = filtered<Response>(u, k, s);
    s.tracker = _mm_add_ps(_mm_sub_ps(x, s.previous), _mm_mul_ps(k.R, s.tracker));
    s.previous = x;
    out = _mm_add_ps(_mm_mul_ps(e, k.wet), _mm_mul_ps(x, k.dry));
    const __m128 fed = _mm_mul_ps(k.fb, e);
    if (Faded)
        cell = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(x, s.tracker), keep), _mm_mul_ps(x, g)), fed);
    else
        cell = _mm_add_ps(x, fed);
}

struct PairBlock
{
    float* line[2];
    const float* source[2];
    float* destination[2];
    int32_t L;
};

inline __m128 loadPair(const float* left, const float* right)
{
    return _mm_unpacklo_ps(_mm_load_ss(left), _mm_load_ss(right));
}

inline void storePair(float* left, float* right, __m128 v)
{
    _mm_store_ss(left, v);
    _mm_store_ss(right, _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1)));
}

// count frames of both channels, one at a time.
template <bool Faded, EchoResponse Response, Knee K>
inline void runPairFrames(const PairBlock& b, const PairConstants& k, PairState& s, int32_t position, uint32_t done,
                          uint32_t count, int32_t step)
{
    __m128 u = _mm_setzero_ps(), bandBefore = s.band;
    __m128 g = _mm_setzero_ps(), keep = _mm_setzero_ps();
    for (uint32_t i = 0; i < count; ++i, ++done, position += step) {
        const __m128 x = finiteOrZero(loadPair(b.source[0] + done, b.source[1] + done));
        const __m128 d = loadPair(b.line[0] + position, b.line[1] + position);
        if (Faded) {
            const float gain = fadeAt(position, b.L);
            g = set1(gain);
            keep = set1(1.0f - gain);
        }
        __m128 out, cell;
        framePair<Faded, Response, K>(x, d, g, keep, k, s, u, bandBefore, out, cell);
        storePair(b.destination[0] + done, b.destination[1] + done, out);
        storePair(b.line[0] + position, b.line[1] + position, cell);
    }
    if (count > 0) s.high = lastHigh(u, bandBefore, s, k);
}

// Four frames' pairs from four samples of each channel: lanes 0 and 1 of
// f[j] hold frame j.
inline void pairsOfFour(__m128 left, __m128 right, __m128 f[4])
{
    const __m128 lo = _mm_unpacklo_ps(left, right);  // l0 r0 l1 r1
    const __m128 hi = _mm_unpackhi_ps(left, right);  // l2 r2 l3 r3
    f[0] = lo;
    f[1] = _mm_movehl_ps(lo, lo);
    f[2] = hi;
    f[3] = _mm_movehl_ps(hi, hi);
}

inline __m128 reversed(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }

// A middle run (g is 1), four frames at a time: inputs, cells, saturation,
// outputs and the cells' new values go as four samples of each channel;
// only the filter and the tracker, which carry state from frame to frame,
// go frame by frame. Backward, the four cells are those at and below the
// position, taken highest first. The rest of the run goes one frame at a
// time.
template <EchoResponse Response, Knee K, int Step>
void runPairMiddle(const PairBlock& b, const PairConstants& constants, PairState& s, int32_t position,
                   uint32_t done, uint32_t count)
{
    // Locals, which no store to the buffers can touch: they stay in
    // registers or are read straight from the stack.
    const PairConstants k = constants;
    PairState state = s;
    float* const lineLeft = b.line[0];
    float* const lineRight = b.line[1];
    const float* const sourceLeft = b.source[0] + done;
    const float* const sourceRight = b.source[1] + done;
    float* const destinationLeft = b.destination[0] + done;
    float* const destinationRight = b.destination[1] + done;
    __m128 u = _mm_setzero_ps(), bandBefore = state.band;

    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const int32_t first = Step > 0 ? position + static_cast<int32_t>(i) : position - static_cast<int32_t>(i) - 3;
        const __m128 xLeft = finiteOrZero(_mm_loadu_ps(sourceLeft + i));
        const __m128 xRight = finiteOrZero(_mm_loadu_ps(sourceRight + i));
        __m128 dLeft = _mm_loadu_ps(lineLeft + first), dRight = _mm_loadu_ps(lineRight + first);
        if (Step < 0) {
            dLeft = reversed(dLeft);
            dRight = reversed(dRight);
        }
        const __m128 uLeft = saturated<K>(dLeft, k), uRight = saturated<K>(dRight, k);
        __m128 x[4], uPairs[4], e[4];
        pairsOfFour(xLeft, xRight, x);
        pairsOfFour(uLeft, uRight, uPairs);
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            bandBefore = state.band;
            e[j] = filtered<Response>(uPairs[j], k, state);
            state.tracker = _mm_add_ps(_mm_sub_ps(x[j], state.previous), _mm_mul_ps(k.R, state.tracker));
            state.previous = x[j];
        }
        u = uPairs[3];
        __m128 eLeft = uLeft, eRight = uRight;  // "Thru": the echo is u
        if (Response != EchoResponse::Thru) {
            const __m128 lo = _mm_movelh_ps(e[0], e[1]), hi = _mm_movelh_ps(e[2], e[3]);
            eLeft = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
            eRight = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
        }
        _mm_storeu_ps(destinationLeft + i, _mm_add_ps(_mm_mul_ps(eLeft, k.wet), _mm_mul_ps(xLeft, k.dry)));
        _mm_storeu_ps(destinationRight + i, _mm_add_ps(_mm_mul_ps(eRight, k.wet), _mm_mul_ps(xRight, k.dry)));
        __m128 cellLeft = _mm_add_ps(xLeft, _mm_mul_ps(k.fb, eLeft));
        __m128 cellRight = _mm_add_ps(xRight, _mm_mul_ps(k.fb, eRight));
        if (Step < 0) {
            cellLeft = reversed(cellLeft);
            cellRight = reversed(cellRight);
        }
        _mm_storeu_ps(lineLeft + first, cellLeft);
        _mm_storeu_ps(lineRight + first, cellRight);
    }
    if (i > 0) state.high = lastHigh(u, bandBefore, state, k);
    s = state;
    runPairFrames<false, Response, K>(b, constants, s, position + Step * static_cast<int32_t>(i), done + i,
                                      count - i, Step);
}

template <EchoResponse Response, Knee K>
void runPair(const PairBlock& b, const PairConstants& k, PairState& s, int32_t position, uint32_t done,
             uint32_t count, int32_t step, bool middle)
{
    if (!middle)
        runPairFrames<true, Response, K>(b, k, s, position, done, count, step);
    else if (step > 0)
        runPairMiddle<Response, K, 1>(b, k, s, position, done, count);
    else
        runPairMiddle<Response, K, -1>(b, k, s, position, done, count);
}

using PairRun = void (*)(const PairBlock&, const PairConstants&, PairState&, int32_t, uint32_t, uint32_t, int32_t,
                         bool);

template <Knee K>
PairRun pairRunFor(EchoResponse response)
{
    switch (response) {
    case EchoResponse::Thru: return runPair<EchoResponse::Thru, K>;
    case EchoResponse::Low: return runPair<EchoResponse::Low, K>;
    case EchoResponse::Band: return runPair<EchoResponse::Band, K>;
    case EchoResponse::High: return runPair<EchoResponse::High, K>;
    default: return runPair<EchoResponse::Blend, K>;
    }
}

PairConstants pairConstants(const SampleConstants& c)
{
    const EchoCoefficients& e = c.echo;
    return PairConstants{set1(e.drive), set1(e.cubic),    set1(e.knee),     set1(-e.knee),   set1(e.makeUp),
                         set1(e.frequency), set1(e.damping), set1(e.bandLoss), set1(e.wThru), set1(e.wLow),
                         set1(e.wBand),  set1(e.wHigh),   set1(c.R),        set1(c.fb),      set1(c.dry),
                         set1(c.wet)};
}

inline __m128 lanes(float left, float right) { return _mm_setr_ps(left, right, 0.0f, 0.0f); }

inline float lane(__m128 v, int index)
{
    alignas(16) float values[4];
    _mm_store_ps(values, v);
    return values[index];
}

#endif  // PARFELLE_PAIR_LANES

}  // namespace

uint32_t ReverseSweep::capacityFor(float sampleRate)
{
    const double cells = std::floor(static_cast<double>(sampleRate) * 30.0 + 16.0);
    if (!(cells >= 1.0) || cells * sizeof(float) > 4294967295.0) return 0;
    return static_cast<uint32_t>(cells);
}

int32_t ReverseSweep::blockStartPosition(int64_t position, bool forward, int32_t length)
{
    if (position < 0) position = 0;
    if (forward) return static_cast<int32_t>(position % length);
    if (position > length) position = (position - 1) % length + 1;
    return position < 1 ? 1 : static_cast<int32_t>(position);
}

int32_t ReverseSweep::usableLength(int32_t length) const
{
    return static_cast<int32_t>(std::min<int64_t>(length, static_cast<int64_t>(bufferCells()) - 1));
}

bool ReverseSweep::setSampleRate(float sampleRate)
{
    const uint32_t cells = capacityFor(sampleRate);
    if (cells == 0) return false;
    float* fresh = new (std::nothrow) float[cells];
    if (!fresh) return false;
    buffer_.reset(fresh);
    bufferBytes_ = cells * static_cast<uint32_t>(sizeof(float));
    sampleRate_ = sampleRate;
    input_.setSampleRate(sampleRate);
    reset();
    return true;
}

void ReverseSweep::reset()
{
    if (buffer_) std::memset(buffer_.get(), 0, bufferBytes_);
    filter_.reset();
    input_.reset();
    position_ = 0;
    forward_ = 1;
}

void ReverseSweep::process(const float* source, float* destination, uint32_t frames, const SweepBlock& block,
                           int32_t length)
{
    const SampleConstants k = blockConstants(block, sampleRate_, usableLength(length));
    const ChannelRun run = channelRunFor(responseOf(k.echo));
    float* const line = buffer_.get();
    ChannelState state{filter_, input_};
    bool forward = forward_ != 0;
    int32_t position = blockStartPosition(position_, forward, k.L);

    sweepBlock(position, forward, k.L, frames, [&](int32_t at, uint32_t done, uint32_t count, int32_t step, bool middle) {
        run(line, source + done, destination + done, state, at, count, step, k, middle);
    });

    position_ = position;
    forward_ = forward ? 1 : 0;
    filter_ = state.filter;
    input_ = state.input;
}

bool ReverseSweep::processPair(ReverseSweep& left, ReverseSweep& right, const float* const sources[2],
                               float* const destinations[2], uint32_t frames, const SweepBlock& block,
                               int32_t length)
{
#if defined(PARFELLE_PAIR_LANES)
    // The lanes share the position, the direction and the block's values:
    // only sweeps in step can run side by side.
    if (left.sampleRate_ != right.sampleRate_ || left.bufferBytes_ != right.bufferBytes_ ||
        left.position_ != right.position_ || left.forward_ != right.forward_ || !left.buffer_)
        return false;

    const SampleConstants k = blockConstants(block, left.sampleRate_, left.usableLength(length));
    const PairConstants lanesK = pairConstants(k);
    const EchoCoefficients& c = k.echo;
    const bool clampExact = 1.5f - ((c.cubic * 1.5f) * 1.5f) * 1.5f == c.knee;
    const PairRun run = clampExact ? pairRunFor<Knee::Clamp>(responseOf(c)) : pairRunFor<Knee::Select>(responseOf(c));

    const PairBlock b{{left.buffer_.get(), right.buffer_.get()}, {sources[0], sources[1]},
                      {destinations[0], destinations[1]}, k.L};
    PairState s{lanes(left.filter_.low, right.filter_.low), lanes(left.filter_.band, right.filter_.band),
                lanes(left.filter_.high, right.filter_.high), lanes(left.input_.previous, right.input_.previous),
                lanes(left.input_.tracker, right.input_.tracker)};
    bool forward = left.forward_ != 0;
    int32_t position = blockStartPosition(left.position_, forward, k.L);

    sweepBlock(position, forward, k.L, frames, [&](int32_t at, uint32_t done, uint32_t count, int32_t step, bool middle) {
        run(b, lanesK, s, at, done, count, step, middle);
    });

    ReverseSweep* const sweeps[2] = {&left, &right};
    for (int i = 0; i < 2; ++i) {
        ReverseSweep& sweep = *sweeps[i];
        sweep.position_ = position;
        sweep.forward_ = forward ? 1 : 0;
        sweep.filter_ = EchoFilterState{lane(s.low, i), lane(s.band, i), lane(s.high, i)};
        sweep.input_.previous = lane(s.previous, i);
        sweep.input_.tracker = lane(s.tracker, i);
    }
    return true;
#else
    (void)left, (void)right, (void)sources, (void)destinations, (void)frames, (void)block, (void)length;
    return false;
#endif
}

}  // namespace dsp
