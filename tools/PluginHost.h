// One loaded VST 2.4 plug-in seen from the host's side: the module, the
// record its entry point returned, the host callback that answers it, and
// the calls a host makes, in the order a real host makes them.
//
// Single-threaded: every call comes from the thread that loaded the plug-in,
// except that the callback may be entered from any thread the plug-in owns.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "platform/DynamicModule.h"
#include "plugin/VstInterface.h"

namespace host {

class PluginHost
{
public:
    // What the host answers to audioMasterVersion.
    static constexpr intptr_t kHostVersion = 2400;
    // A record claiming more channels than this is refused: buffers for the
    // claim would be nonsense, and handing fewer would let it write past them.
    static constexpr int kMaxChannels = 256;

    PluginHost();
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Loads the module, calls its entry point (VSTPluginMain, else main) and
    // checks the record. On failure returns false with a message in error.
    bool load(const std::string& path, std::string& error);
    // Suspends and closes the plug-in if needed, then unloads the module.
    void unload();
    bool isLoaded() const { return effect_ != nullptr; }
    AEffect* effect() const { return effect_; }
    const std::string& path() const { return path_; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    // A text the plug-in writes into a buffer, without surrounding spaces.
    std::string dispatchText(int32_t opcode, int32_t index = 0, intptr_t value = 0);

    // The record's counts, clamped to sane ranges (0 when the record is odd).
    int parameterCount() const;
    int programCount() const;
    int inputCount() const;
    int outputCount() const;

    std::string parameterName(int index);
    std::string parameterLabel(int index);
    std::string parameterDisplay(int index);
    float parameter(int index);
    void setParameter(int index, float normalised);

    // Program changes come between effBeginSetProgram and effEndSetProgram,
    // as hosts send them.
    void selectProgram(int program);
    int currentProgram();
    std::string programName(int program);

    // The lifecycle. open() is effOpen; resume() is effMainsChanged 1 then
    // effStartProcess; suspend() undoes it. Each is idempotent.
    void open();
    void setSampleRate(double rate);
    void setBlockSize(int frames);
    void resume();
    void suspend();
    void close();
    bool isResumed() const { return resumed_; }

    // One block through processReplacing (the accumulating call, on zeroed
    // outputs, for plug-ins that lack it). Advances the transport.
    void process(float** inputs, float** outputs, int frames);
    // Frames processed since resume().
    int64_t position() const { return position_; }

    // Transport: a tempo makes audioMasterGetTime answer; zero or less
    // makes it answer null, as a host without a timeline does.
    void setTempo(double bpm) { tempo_ = bpm; }
    double tempo() const { return tempo_; }
    double sampleRate() const { return sampleRate_; }
    int blockSize() const { return blockSize_; }

    // Every request the plug-in makes lands here; public so that tests can
    // ask what the host would answer.
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // How often the plug-in made each request (opcodes below 64).
    int requestCount(int32_t opcode) const;
    // Log each request worth telling (not the per-block time queries) here.
    void setLog(std::ostream* log) { log_ = log; }
    void printRequestSummary(std::ostream& out) const;

    static const char* requestName(int32_t opcode);

private:
    static intptr_t VST_CALLBACK callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                          float opt);
    void fillTimeInfo();

    platform::DynamicModule module_;
    AEffect* effect_ = nullptr;
    std::string path_;
    bool opened_ = false;
    bool resumed_ = false;
    bool processing_ = false;
    bool transportStarted_ = false;
    double sampleRate_ = 44100.0;
    int blockSize_ = 512;
    double tempo_ = 0.0;
    int64_t position_ = 0;
    VstTimeInfo timeInfo_{};
    std::array<std::atomic<int>, 64> requests_{};
    std::ostream* log_ = nullptr;
};

}  // namespace host
