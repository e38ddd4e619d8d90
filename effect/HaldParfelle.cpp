#include "effect/HaldParfelle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(__x86_64__)
#include <emmintrin.h>
#define PARFELLE_WAVEFORM_LANES 1
#endif

#include "dsp/TimeBase.h"
#include "effect/CParfelleKernel.h"
#include "framework/HaldEditor.h"

namespace {

constexpr const char* kProductName = "Parfelle";
constexpr const char* kVendorName = "Haldrane";

void copyIdentity(char* text, const char* value) { std::memcpy(text, value, std::strlen(value) + 1); }

}  // namespace

HaldParfelle::HaldParfelle(audioMasterCallback audioMaster, EditorFactory editorFactory)
    : HaldAuBase(audioMaster, kParfelleParameters, kParfelleParameterCount),
      waveform_(new std::atomic<float>[kWaveformFloats])
{
    for (int column = 0; column < kWaveformColumns; ++column) {
        std::atomic<float>* vertex = &waveform_[column * 4];
        vertex[0].store(static_cast<float>(column), std::memory_order_relaxed);
        vertex[1].store(0.0f, std::memory_order_relaxed);
        vertex[2].store(static_cast<float>(column), std::memory_order_relaxed);
        vertex[3].store(0.0f, std::memory_order_relaxed);
    }

    canProcessReplacing();
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(vstFourCC('V', 'e', 'D', 'i'));

    createKernels();

    if (editorFactory) {
        setEditor(editorFactory(this));
        cEffect.flags |= effFlagsHasEditor;
    }
}

HaldParfelle::~HaldParfelle()
{
    // The editor's render thread reads this effect's display words and
    // waveform columns: it must stop before any of them goes.
    setEditor(nullptr);
}

bool HaldParfelle::getEffectName(char* name)
{
    copyIdentity(name, kProductName);
    return true;
}

bool HaldParfelle::getVendorString(char* text)
{
    copyIdentity(text, kVendorName);
    return true;
}

bool HaldParfelle::getProductString(char* text)
{
    copyIdentity(text, kProductName);
    return true;
}

AUKernelBase* HaldParfelle::newKernel() { return new CParfelleKernel(this); }

int32_t HaldParfelle::getParameterValueStrings(uint32_t scope, int32_t parameter, CFArray** strings)
{
    if (!strings) return kResultOk;
    // The indexed parameters' lists; other parameters have none.
    if (scope != 0 || parameter < 0 || parameter >= kParfelleParameterCount ||
        kParfelleParameters[parameter].unit != kUnitIndexed)
        return kResultInvalidParameter;
    const ParameterTexts& texts = kParfelleParameterTexts[parameter];
    CFString* names[kMaximumValueTexts];
    for (int i = 0; i < texts.count; ++i) names[i] = constantString(texts.names[i]);
    *strings = makeArray(names, texts.count);
    return kResultOk;
}

int32_t HaldParfelle::getProperty(int32_t property, uint32_t /*scope*/, uint32_t /*element*/, void* data)
{
    switch (property) {
    case kPropertyParameterStringFromValue: {
        auto* request = static_cast<ParameterStringRequest*>(data);
        // A continuous parameter with names at its whole values ("Filter Type").
        if (!request || request->parameter < 0 || request->parameter >= kParfelleParameterCount ||
            kParfelleParameters[request->parameter].unit == kUnitIndexed ||
            kParfelleParameterTexts[request->parameter].count == 0)
            return kResultInvalidParameter;
        const ParameterTexts& texts = kParfelleParameterTexts[request->parameter];
        request->string = nullptr;
        const float value = request->value ? *request->value : getValue(request->parameter);
        // Only whole selections have names; a fraction between two shows its number.
        if (!(value > -0.5f && value < static_cast<float>(texts.count) - 0.5f)) return kResultOk;
        const int nearest = static_cast<int>(value + 0.5f);
        if (std::fabs(value - static_cast<float>(nearest)) <= 0.005f) {
            request->string = constantString(texts.names[nearest]);
            CFRetain(request->string);
        }
        return kResultOk;
    }
    case kPropertyDisplayState:
        if (!data) return kResultInvalidParameter;
        getDisplayState(static_cast<DisplayState*>(data));
        return kResultOk;
    case kPropertyWaveformColumns:
        if (!data) return kResultInvalidParameter;
        *static_cast<WaveformColumnsAddress*>(data) = waveform_.get();
        return kResultOk;
    default:
        return kResultInvalidProperty;
    }
}

int32_t HaldParfelle::getPropertyInfo(int32_t property, uint32_t /*scope*/, uint32_t /*element*/, uint32_t* size,
                                      bool* writable)
{
    uint32_t bytes = 0;
    switch (property) {
    case kPropertyParameterStringFromValue: bytes = sizeof(ParameterStringRequest); break;
    case kPropertyDisplayState: bytes = sizeof(DisplayState); break;
    case kPropertyWaveformColumns: bytes = sizeof(WaveformColumnsAddress); break;
    default: return kResultInvalidProperty;
    }
    if (size) *size = bytes;
    if (writable) *writable = false;
    return kResultOk;
}

void HaldParfelle::getDisplayState(DisplayState* state)
{
    if (!state) return;
    state->reserved0 = 0;  // reserved words: always 0
    state->reserved1 = 0;
    state->sweepPosition = displaySweepPosition_.load(std::memory_order_relaxed);
    state->sweepDirection = displaySweepDirection_.load(std::memory_order_relaxed);
    state->delayPhase = displayDelayPhase_.load(std::memory_order_relaxed);
    state->lfoPhase = displayLfoPhase_.load(std::memory_order_relaxed);
}

HaldParfelle::CParfelleKernel& HaldParfelle::kernel(size_t channel)
{
    return *static_cast<CParfelleKernel*>(kernels[channel].get());
}

void HaldParfelle::publishSweep(float position, bool forward)
{
    displaySweepPosition_.store(position, std::memory_order_relaxed);
    displaySweepDirection_.store(forward ? 1u : 0u, std::memory_order_relaxed);
    displayDelayPhase_.store(position, std::memory_order_relaxed);
}

float HaldParfelle::processingValue(int index)
{
    const ParameterInfo& info = kParfelleParameters[index];
    const float value = getValue(index);
    if (info.unit == kUnitBoolean) return value;
    float lowest, highest;
    if (info.unit == kUnitHertz) {
        const float ratio = info.maximum / info.minimum;
        lowest = info.minimum / ratio;
        highest = info.maximum * ratio;
    } else {
        const float span = info.maximum - info.minimum;
        lowest = info.minimum - span;
        highest = info.maximum + span;
    }
    if (!(value >= lowest)) return lowest;  // NaN too
    return value > highest ? highest : value;
}

void HaldParfelle::processReplacing(float** inputs, float** outputs, int32_t frames)
{
    const uint32_t count = frames > 0 ? static_cast<uint32_t>(frames) : 0u;

    CParfelleKernel& first = kernel(0);
    sweepStartPosition_ = first.position();
    sweepStartForward_ = first.forward();

    runTimeBase(count);
    if (!processBothChannels(inputs, outputs, count)) HaldAuBase::processReplacing(inputs, outputs, frames);
    updateWaveformAfterBlock(count);
}

bool HaldParfelle::processBothChannels(float** inputs, float** outputs, uint32_t frames)
{
    if (kernels.size() != 2 || !kernels[0] || !kernels[1] || !inputs || !outputs) return false;
    const float* const sources[2] = {inputs[0], inputs[1]};
    float* const destinations[2] = {outputs[0], outputs[1]};
    if (!sources[0] || !sources[1] || !destinations[0] || !destinations[1]) return false;

    // One kernel after the other, the right channel would read the left
    // channel's finished output if that were its input; side by side it
    // reads each input before writing that frame's outputs. The two orders
    // agree when every output buffer is either an input itself (same
    // channel, or the right output on the left input) or apart from it.
    const auto apart = [frames](const float* a, const float* b) {
        const uintptr_t from = reinterpret_cast<uintptr_t>(a), to = reinterpret_cast<uintptr_t>(b);
        const uintptr_t bytes = uintptr_t{frames} * sizeof(float);
        return from + bytes <= to || to + bytes <= from;
    };
    for (int out = 0; out < 2; ++out)
        for (int in = 0; in < 2; ++in) {
            const bool same = destinations[out] == sources[in];
            if (same ? out == 0 && in == 1 : !apart(destinations[out], sources[in])) return false;
        }
    return CParfelleKernel::ProcessPair(kernel(0), kernel(1), sources, destinations, frames);
}

void HaldParfelle::runTimeBase(uint32_t frames)
{
    if (getValue(kResync) != 0.0f) {
        for (size_t i = 0; i < kernels.size(); ++i) kernel(i).restartSweep();
        setValue(kResync, 0.0f);
        updateDisplay();
    }

    dsp::TimeBaseSettings settings;
    settings.delayFollowsHost = getValue(kHostTempo) != 0.0f;
    settings.lfoFollowsHost = getValue(kLfoHostTempo) != 0.0f;
    if (settings.delayFollowsHost || settings.lfoFollowsHost) {
        const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
        if (time && (time->flags & kVstTempoValid)) settings.tempo = time->tempo;
    }
    if (settings.delayFollowsHost) {
        settings.beats = processingValue(kBeats);
        settings.divisor = processingValue(kBeatDivisor);
        settings.triplet = getValue(kTriplet) != 0.0f;
    }
    if (settings.lfoFollowsHost) {
        settings.lfoBeats = processingValue(kLfoBeats);
        settings.lfoDivisor = processingValue(kLfoBeatDivisor);
        settings.lfoTriplet = getValue(kLfoTriplet) != 0.0f;
    }
    settings.delaySeconds = processingValue(kDelayTime);
    settings.lfoRate = processingValue(kLfoSpeed);
    settings.restartLfo = getValue(kLfoResync) != 0.0f;
    if (settings.restartLfo) {
        setValue(kLfoResync, 0.0f);
        updateDisplay();
    }

    const float sr = getSampleRate();
    timeBase_.setSampleRate(sr);
    if (timeBase_.process(settings, frames)) resetWaveform();
    displayLfoPhase_.store(timeBase_.lfoPhase() * dsp::timebase::kInverseTwoPi, std::memory_order_relaxed);

    block_.feedback = processingValue(kFeedback);
    block_.dryLevel = processingValue(kDryLevel);
    block_.effectLevel = processingValue(kEffectLevel);
    block_.echo.saturationAmount = processingValue(kSaturationAmount);
    block_.echo.saturationShape = processingValue(kSaturationShape);
    block_.echo.cutoff = processingValue(kFilterCutoff);
    block_.echo.resonance = processingValue(kFilterQ);
    block_.echo.type = processingValue(kFilterType);
    block_.echo.lfoDepth = processingValue(kLfoAmount);
    block_.echo.lfoPhase = timeBase_.lfoPhase();
    block_.echo.sampleRate = sr;
}

void HaldParfelle::resetWaveform()
{
    if (timeBase_.delayLength() < kWaveformColumns) {
        for (int column = 0; column < kWaveformColumns; ++column) {
            waveform_[column * 4 + 1].store(0.0f, std::memory_order_relaxed);
            waveform_[column * 4 + 3].store(0.0f, std::memory_order_relaxed);
        }
        return;
    }
    updateWaveform(0, timeBase_.delayLength());
}

namespace {

// Widens [lowest, highest] to the cells' values; cells that are NaN are
// passed over. Sixteen cells at a time into four running pairs where SSE2
// is there, so the comparisons do not wait on each other: minps(v, m) is
// "v < m ? v : m", the scalar comparison, so the same values come out (at
// most the sign of a zero may differ when both signs occur).
void cellRange(const float* cells, int64_t count, float& lowest, float& highest)
{
    int64_t i = 0;
#if defined(PARFELLE_WAVEFORM_LANES)
    if (count >= 4) {
        __m128 low0 = _mm_set1_ps(lowest), low1 = low0, low2 = low0, low3 = low0;
        __m128 high0 = _mm_set1_ps(highest), high1 = high0, high2 = high0, high3 = high0;
        for (; i + 16 <= count; i += 16) {
            const __m128 v0 = _mm_loadu_ps(cells + i), v1 = _mm_loadu_ps(cells + i + 4);
            const __m128 v2 = _mm_loadu_ps(cells + i + 8), v3 = _mm_loadu_ps(cells + i + 12);
            low0 = _mm_min_ps(v0, low0);
            low1 = _mm_min_ps(v1, low1);
            low2 = _mm_min_ps(v2, low2);
            low3 = _mm_min_ps(v3, low3);
            high0 = _mm_max_ps(v0, high0);
            high1 = _mm_max_ps(v1, high1);
            high2 = _mm_max_ps(v2, high2);
            high3 = _mm_max_ps(v3, high3);
        }
        for (; i + 4 <= count; i += 4) {
            const __m128 v = _mm_loadu_ps(cells + i);
            low0 = _mm_min_ps(v, low0);
            high0 = _mm_max_ps(v, high0);
        }
        // The running values are never NaN, so they combine in any order.
        alignas(16) float lows[4], highs[4];
        _mm_store_ps(lows, _mm_min_ps(_mm_min_ps(low0, low1), _mm_min_ps(low2, low3)));
        _mm_store_ps(highs, _mm_max_ps(_mm_max_ps(high0, high1), _mm_max_ps(high2, high3)));
        for (int lane = 0; lane < 4; ++lane) {
            lowest = std::min(lowest, lows[lane]);
            highest = std::max(highest, highs[lane]);
        }
    }
#endif
    for (; i < count; ++i) {
        lowest = std::min(lowest, cells[i]);
        highest = std::max(highest, cells[i]);
    }
}

}  // namespace

void HaldParfelle::updateWaveform(int64_t start, int64_t end)
{
    const int64_t width = timeBase_.delayLength() / kWaveformColumns;
    if (width == 0 || end <= start) return;

    // A kernel still sized for an older, lower rate must not be read past its
    // end: columns beyond the smallest line are left as they are.
    int64_t cells = INT64_MAX;
    for (size_t i = 0; i < kernels.size(); ++i) cells = std::min<int64_t>(cells, kernel(i).bufferCells());

    const int64_t first = start / width;
    const int64_t last = std::min<int64_t>((end + width - 1) / width - 1, kWaveformColumns - 1);
    for (int64_t column = first; column <= last; ++column) {
        const int64_t from = column * width;
        const int64_t to = from + width;
        if (to > cells) break;
        float lowest = INFINITY;
        float highest = -INFINITY;
        for (size_t i = 0; i < kernels.size(); ++i) cellRange(kernel(i).buffer() + from, to - from, lowest, highest);
        const auto signedRoot = [](float v) { return v >= 0.0f ? std::sqrt(v) : -std::sqrt(-v); };
        waveform_[column * 4 + 1].store(signedRoot(lowest), std::memory_order_relaxed);
        waveform_[column * 4 + 3].store(signedRoot(highest), std::memory_order_relaxed);
    }
}

void HaldParfelle::updateWaveformAfterBlock(uint32_t frames)
{
    // The kernels clip the length to their line; this step reads inside the
    // line anyway (updateWaveform), so the time base's length serves.
    const int64_t L = timeBase_.delayLength();
    const int64_t p0 = CParfelleKernel::blockStartPosition(sweepStartPosition_, sweepStartForward_, timeBase_.delayLength());
    const int64_t n = frames;
    if (sweepStartForward_) {
        const int64_t e = p0 + n;
        if (e <= L)
            updateWaveform(p0, e);
        else
            updateWaveform(std::max<int64_t>(0, std::min(2 * L - e, p0)), L);
    } else {
        const int64_t d = p0 - n;
        if (d >= 0)
            updateWaveform(d, p0);
        else
            updateWaveform(0, std::min(L, std::max(p0, n - p0)));
    }
}
