// The reverse-delay effect: its identity, parameter table, properties for the
// editor, and the per-block work around the kernels.
#pragma once

#include <atomic>
#include <memory>

#include "dsp/ReverseSweep.h"
#include "dsp/TimeBase.h"
#include "effect/ParfelleParameters.h"
#include "framework/HaldAuBase.h"
#include "parfelle/Version.h"

// Properties the editor reads.
constexpr int32_t kPropertyDisplayState = 64001;    // DisplayState, 24 bytes
constexpr int32_t kPropertyWaveformColumns = 64003; // address of the column array

class HaldParfelle : public HaldAuBase
{
public:
    class CParfelleKernel;

    static constexpr int32_t kVersion = PARFELLE_VENDOR_VERSION;
    static constexpr int kWaveformColumns = 256;
    static constexpr int kWaveformFloats = kWaveformColumns * 4;  // x, lower y, x, upper y

    // Makes the effect's editor. The plug-in's module gives one; without it
    // the effect has no editor (the audio alone, as its tests use it).
    using EditorFactory = HaldEditor* (*)(HaldParfelle* effect);

    explicit HaldParfelle(audioMasterCallback audioMaster, EditorFactory editorFactory = nullptr);
    ~HaldParfelle() override;

    // Identity (user-interface thread).
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override { return kVersion; }
    int32_t getPlugCategory() override { return kPlugCategEffect; }
    int32_t getVersion() const { return kVersion; }
    // No MIDI is ever asked for.
    void resume() override {}

    // Framework queries.
    AUKernelBase* newKernel() override;
    int32_t getParameterValueStrings(uint32_t scope, int32_t parameter, CFArray** strings) override;
    int32_t getProperty(int32_t property, uint32_t scope, uint32_t element, void* data) override;
    int32_t getPropertyInfo(int32_t property, uint32_t scope, uint32_t element, uint32_t* size,
                            bool* writable) override;
    void getDisplayState(DisplayState* state) override;

    // Audio thread.
    void processReplacing(float** inputs, float** outputs, int32_t frames) override;

    // The waveform display's vertices; the array never moves while the effect lives.
    const std::atomic<float>* waveformColumns() const { return waveform_.get(); }

    // What every kernel uses for the current block, read once by the time base.
    using BlockSettings = dsp::SweepBlock;

    // Audio thread, for the kernels.
    const BlockSettings& blockSettings() const { return block_; }
    int32_t delayLength() const { return timeBase_.delayLength(); }
    float lfoPhase() const { return timeBase_.lfoPhase(); }
    void publishSweep(float position, bool forward);

    // A parameter's value as processing uses it: host values a little outside
    // 0..1 extrapolate as they always have; values far outside (beyond one
    // more span of the range each way) are held at that limit so that no
    // product in the signal path can overflow. Switches are never limited:
    // any value but 0 is on.
    float processingValue(int index);

    CParfelleKernel& kernel(size_t channel);

private:
    void runTimeBase(uint32_t frames);
    // The framework's kernel loop done as one pass over both channels
    // (CParfelleKernel::ProcessPair); false when the buffers or the kernels'
    // state call for the loop over the kernels instead.
    bool processBothChannels(float** inputs, float** outputs, uint32_t frames);
    void resetWaveform();
    void updateWaveform(int64_t start, int64_t end);
    void updateWaveformAfterBlock(uint32_t frames);

    // Display words: written whole by the audio thread, read by the render thread.
    std::atomic<float> displaySweepPosition_{0.0f};
    std::atomic<uint32_t> displaySweepDirection_{0};
    std::atomic<float> displayDelayPhase_{0.0f};
    std::atomic<float> displayLfoPhase_{0.0f};

    std::unique_ptr<std::atomic<float>[]> waveform_;

    // Time base (audio thread).
    BlockSettings block_{};
    dsp::TimeBase timeBase_;
    int32_t sweepStartPosition_ = 0;
    bool sweepStartForward_ = false;
};

// A pointer-sized word: a 32-bit word cannot carry an address in the 64-bit builds.
using WaveformColumnsAddress = const std::atomic<float>*;
