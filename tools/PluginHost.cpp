#include "tools/PluginHost.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <ostream>
#include <utility>
#include <vector>

namespace host {

namespace {

// Plug-ins call back with their record, or with null from inside the entry
// point before the record exists. The registry maps records to hosts; the
// host being loaded answers the calls made before its record is known.
std::mutex registryMutex;
std::vector<std::pair<AEffect*, PluginHost*>> registry;
PluginHost* loadingHost = nullptr;
// Entry points run one at a time, so "the host being loaded" is unambiguous.
std::mutex loadMutex;
std::mutex logMutex;

PluginHost* hostFor(AEffect* effect)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    if (effect) {
        for (const auto& entry : registry)
            if (entry.first == effect) return entry.second;
    }
    return loadingHost;
}

void setLoadingHost(PluginHost* host)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    loadingHost = host;
}

void registerHost(AEffect* effect, PluginHost* host)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.emplace_back(effect, host);
}

void unregisterHost(const PluginHost* host)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [host](const std::pair<AEffect*, PluginHost*>& entry) { return entry.second == host; }),
                   registry.end());
}

bool endsWith(const std::string& text, const char* suffix)
{
    const size_t length = std::strlen(suffix);
    if (text.size() < length) return false;
    for (size_t i = 0; i < length; ++i) {
        const char a = static_cast<char>(std::tolower(static_cast<unsigned char>(text[text.size() - length + i])));
        if (a != suffix[i]) return false;
    }
    return true;
}

bool fileExists(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

int clampCount(int32_t count, int limit) { return count < 0 ? 0 : std::min<int>(count, limit); }

// Requests that come every block and would drown the log.
bool isPerBlockRequest(int32_t opcode)
{
    return opcode == audioMasterGetTime || opcode == audioMasterGetCurrentProcessLevel ||
           opcode == audioMasterGetSampleRate || opcode == audioMasterGetBlockSize;
}

// Far more than any text the interface allows, since plug-ins often write
// past those limits.
constexpr size_t kTextBufferBytes = 1024;

std::string textFromBuffer(char (&buffer)[kTextBufferBytes])
{
    buffer[kTextBufferBytes - 1] = 0;
    std::string text(buffer);
    // Some plug-ins pad with spaces to the old fixed widths.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    size_t first = 0;
    while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
    return text.substr(first);
}

constexpr intptr_t kProcessLevelUser = 1;
constexpr intptr_t kProcessLevelRealtime = 2;

}  // namespace

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() { unload(); }

bool PluginHost::load(const std::string& path, std::string& error)
{
    unload();
    path_ = path;
    if (path.empty()) {
        error = "no plug-in file given";
        return false;
    }
    if (!fileExists(path)) {
        error = "cannot open plug-in " + path + ": no such file";
        return false;
    }
    if (!module_.load(path)) {
        error = "cannot load plug-in " + path + ": " + module_.error();
#if defined(_WIN32)
        if (endsWith(path, ".so")) error += " (a Linux plug-in: use the Linux build of the host)";
#else
        if (endsWith(path, ".dll")) error += " (a Windows plug-in: run the Windows build of the host under Wine)";
#endif
        return false;
    }

    auto entry = reinterpret_cast<VstPluginMainProc>(module_.symbol("VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<VstPluginMainProc>(module_.symbol("main"));
    if (!entry) {
        error = "not a VST 2.4 plug-in: " + path + " exports neither VSTPluginMain nor main";
        module_.unload();
        return false;
    }

    AEffect* effect = nullptr;
    {
        std::lock_guard<std::mutex> lock(loadMutex);
        setLoadingHost(this);
        effect = entry(&PluginHost::callback);
        setLoadingHost(nullptr);
    }
    if (!effect) {
        error = "the plug-in " + path + " returned no effect from its entry point";
        module_.unload();
        return false;
    }
    if (effect->magic != kEffectMagic) {
        char text[96];
        std::snprintf(text, sizeof text, "the plug-in's record has the wrong magic number (0x%08x)",
                      static_cast<unsigned>(effect->magic));
        error = text;
        module_.unload();
        return false;
    }
    if (!effect->dispatcher) {
        error = "the plug-in's record has no dispatcher";
        module_.unload();
        return false;
    }
    for (const int32_t count : {effect->numInputs, effect->numOutputs}) {
        if (count < 0 || count > kMaxChannels) {
            error = "the plug-in's record claims " + std::to_string(effect->numInputs) + " inputs and " +
                    std::to_string(effect->numOutputs) + " outputs; at most " + std::to_string(kMaxChannels) +
                    " of each are taken";
            module_.unload();
            return false;
        }
    }
    effect_ = effect;
    registerHost(effect_, this);
    return true;
}

void PluginHost::unload()
{
    close();
    module_.unload();
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (!effect_) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginHost::dispatchText(int32_t opcode, int32_t index, intptr_t value)
{
    char buffer[kTextBufferBytes] = {};
    dispatch(opcode, index, value, buffer, 0.0f);
    return textFromBuffer(buffer);
}

int PluginHost::parameterCount() const { return effect_ ? clampCount(effect_->numParams, 100000) : 0; }
int PluginHost::programCount() const { return effect_ ? clampCount(effect_->numPrograms, 100000) : 0; }
int PluginHost::inputCount() const { return effect_ ? clampCount(effect_->numInputs, kMaxChannels) : 0; }
int PluginHost::outputCount() const { return effect_ ? clampCount(effect_->numOutputs, kMaxChannels) : 0; }

std::string PluginHost::parameterName(int index) { return dispatchText(effGetParamName, index); }
std::string PluginHost::parameterLabel(int index) { return dispatchText(effGetParamLabel, index); }
std::string PluginHost::parameterDisplay(int index) { return dispatchText(effGetParamDisplay, index); }

float PluginHost::parameter(int index)
{
    if (!effect_ || !effect_->getParameter || index < 0 || index >= parameterCount()) return 0.0f;
    return effect_->getParameter(effect_, index);
}

void PluginHost::setParameter(int index, float normalised)
{
    if (!effect_ || !effect_->setParameter || index < 0 || index >= parameterCount()) return;
    effect_->setParameter(effect_, index, normalised);
}

void PluginHost::selectProgram(int program)
{
    dispatch(effBeginSetProgram);
    dispatch(effSetProgram, 0, program);
    dispatch(effEndSetProgram);
}

int PluginHost::currentProgram() { return static_cast<int>(dispatch(effGetProgram)); }

std::string PluginHost::programName(int program)
{
    // The indexed query leaves the current program alone; plug-ins without it
    // are switched to the program and back.
    char buffer[kTextBufferBytes] = {};
    if (dispatch(effGetProgramNameIndexed, program, -1, buffer) != 0) return textFromBuffer(buffer);
    const int current = currentProgram();
    selectProgram(program);
    std::string name = dispatchText(effGetProgramName);
    selectProgram(current);
    return name;
}

void PluginHost::open()
{
    if (!effect_ || opened_) return;
    dispatch(effOpen);
    opened_ = true;
}

void PluginHost::setSampleRate(double rate)
{
    sampleRate_ = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginHost::setBlockSize(int frames)
{
    blockSize_ = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void PluginHost::resume()
{
    if (!effect_ || resumed_) return;
    position_ = 0;
    transportStarted_ = false;
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    resumed_ = true;
}

void PluginHost::suspend()
{
    if (!effect_ || !resumed_) return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

void PluginHost::close()
{
    if (!effect_) return;
    suspend();
    // effClose ends the plug-in's record whether or not effOpen came first.
    dispatch(effClose);
    unregisterHost(this);
    effect_ = nullptr;
    opened_ = false;
}

void PluginHost::process(float** inputs, float** outputs, int frames)
{
    if (!effect_ || frames <= 0) return;
    processing_ = true;
    if (effect_->processReplacing) {
        effect_->processReplacing(effect_, inputs, outputs, frames);
    } else {
        for (int c = 0; c < outputCount(); ++c) std::fill(outputs[c], outputs[c] + frames, 0.0f);
        if (effect_->process) effect_->process(effect_, inputs, outputs, frames);
    }
    processing_ = false;
    position_ += frames;
    transportStarted_ = true;
}

void PluginHost::fillTimeInfo()
{
    timeInfo_ = VstTimeInfo{};
    timeInfo_.samplePos = static_cast<double>(position_);
    timeInfo_.sampleRate = sampleRate_;
    timeInfo_.tempo = tempo_;
    timeInfo_.ppqPos = static_cast<double>(position_) / sampleRate_ * tempo_ / 60.0;
    // Always 4/4 here, so a bar is four quarter notes.
    timeInfo_.barStartPos = std::floor(timeInfo_.ppqPos / 4.0) * 4.0;
    timeInfo_.timeSigNumerator = 4;
    timeInfo_.timeSigDenominator = 4;
    timeInfo_.flags = kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid;
    if (resumed_) timeInfo_.flags |= kVstTransportPlaying;
    if (resumed_ && !transportStarted_) timeInfo_.flags |= kVstTransportChanged;
}

intptr_t PluginHost::answer(int32_t opcode, int32_t index, intptr_t value, void* /*ptr*/, float opt)
{
    if (opcode >= 0 && opcode < static_cast<int32_t>(requests_.size()))
        requests_[static_cast<size_t>(opcode)].fetch_add(1, std::memory_order_relaxed);
    if (log_ && !isPerBlockRequest(opcode)) {
        std::lock_guard<std::mutex> lock(logMutex);
        *log_ << "plug-in request: " << requestName(opcode) << " (index " << index << ", value ";
        // An edit's value is the normalised one in opt.
        if (opcode == audioMasterAutomate)
            *log_ << opt;
        else
            *log_ << static_cast<long long>(value);
        *log_ << ")\n";
    }

    switch (opcode) {
    case audioMasterVersion: return kHostVersion;
    case audioMasterGetTime:
        if (tempo_ <= 0.0) return 0;
        fillTimeInfo();
        return reinterpret_cast<intptr_t>(&timeInfo_);
    case audioMasterUpdateDisplay: return 1;
    // The user's edits in the editor: this host records nothing, but says it
    // heard them (the log shows them).
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit: return 1;
    case audioMasterGetSampleRate: return static_cast<intptr_t>(sampleRate_);
    case audioMasterGetBlockSize: return blockSize_;
    // Rendering runs as fast as it can, but through the same calls as live
    // playback: plug-ins that choose another path offline would be measured
    // and heard on a path live users never get.
    case audioMasterGetCurrentProcessLevel: return processing_ ? kProcessLevelRealtime : kProcessLevelUser;
    default: return 0;
    }
}

intptr_t VST_CALLBACK PluginHost::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                           float opt)
{
    if (PluginHost* host = hostFor(effect)) return host->answer(opcode, index, value, ptr, opt);
    // A call from nowhere we know: only the version has a safe answer.
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

int PluginHost::requestCount(int32_t opcode) const
{
    if (opcode < 0 || opcode >= static_cast<int32_t>(requests_.size())) return 0;
    return requests_[static_cast<size_t>(opcode)].load(std::memory_order_relaxed);
}

void PluginHost::printRequestSummary(std::ostream& out) const
{
    out << "Requests from the plug-in:";
    bool any = false;
    for (size_t opcode = 0; opcode < requests_.size(); ++opcode) {
        const int count = requests_[opcode].load(std::memory_order_relaxed);
        if (count == 0) continue;
        out << "\n  " << requestName(static_cast<int32_t>(opcode)) << ": " << count;
        any = true;
    }
    out << (any ? "\n" : " none\n");
}

const char* PluginHost::requestName(int32_t opcode)
{
    switch (opcode) {
    case audioMasterAutomate: return "audioMasterAutomate";
    case audioMasterVersion: return "audioMasterVersion";
    case audioMasterCurrentId: return "audioMasterCurrentId";
    case audioMasterIdle: return "audioMasterIdle";
    case audioMasterPinConnected: return "audioMasterPinConnected";
    case audioMasterWantMidi: return "audioMasterWantMidi";
    case audioMasterGetTime: return "audioMasterGetTime";
    case audioMasterProcessEvents: return "audioMasterProcessEvents";
    case audioMasterIOChanged: return "audioMasterIOChanged";
    case audioMasterSizeWindow: return "audioMasterSizeWindow";
    case audioMasterGetSampleRate: return "audioMasterGetSampleRate";
    case audioMasterGetBlockSize: return "audioMasterGetBlockSize";
    case audioMasterGetInputLatency: return "audioMasterGetInputLatency";
    case audioMasterGetOutputLatency: return "audioMasterGetOutputLatency";
    case audioMasterGetCurrentProcessLevel: return "audioMasterGetCurrentProcessLevel";
    case audioMasterGetAutomationState: return "audioMasterGetAutomationState";
    case audioMasterGetVendorString: return "audioMasterGetVendorString";
    case audioMasterGetProductString: return "audioMasterGetProductString";
    case audioMasterGetVendorVersion: return "audioMasterGetVendorVersion";
    case audioMasterVendorSpecific: return "audioMasterVendorSpecific";
    case audioMasterCanDo: return "audioMasterCanDo";
    case audioMasterGetLanguage: return "audioMasterGetLanguage";
    case audioMasterGetDirectory: return "audioMasterGetDirectory";
    case audioMasterUpdateDisplay: return "audioMasterUpdateDisplay";
    case audioMasterBeginEdit: return "audioMasterBeginEdit";
    case audioMasterEndEdit: return "audioMasterEndEdit";
    case audioMasterOpenFileSelector: return "audioMasterOpenFileSelector";
    case audioMasterCloseFileSelector: return "audioMasterCloseFileSelector";
    default: return "unknown request";
    }
}

}  // namespace host
