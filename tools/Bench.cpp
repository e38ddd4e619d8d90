#include "tools/Bench.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>

#include "tools/PluginHost.h"

namespace host {

namespace {

// Uniform white noise at -6 dBFS peak; fixed seed, so runs compare.
class WhiteNoise
{
public:
    float next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<float>(static_cast<double>(state_ >> 11) / 9007199254740992.0 - 0.5);
    }

private:
    uint64_t state_ = 0x2545f4914f6cdd1dull;
};

// Wall time of the processing calls alone, over frames of input that fill() makes.
template <typename Fill>
double timeProcessing(PluginHost& plugin, int64_t frames, int block, std::vector<std::vector<float>>& inputs,
                      std::vector<float*>& inputPointers, std::vector<float*>& outputPointers, Fill fill)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration total{};
    for (int64_t done = 0; done < frames;) {
        const int count = static_cast<int>(std::min<int64_t>(block, frames - done));
        for (auto& channel : inputs) fill(channel.data(), count);
        const auto start = Clock::now();
        plugin.process(inputPointers.data(), outputPointers.data(), count);
        total += Clock::now() - start;
        done += count;
    }
    return std::chrono::duration<double>(total).count();
}

std::string factorText(double factor)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1fx realtime", factor);
    return text;
}

}  // namespace

bool runBench(const BenchOptions& options, std::vector<BenchResult>& results, std::ostream& report,
              std::string& error)
{
    const int block = options.blockSize;
    const auto frames = static_cast<int64_t>(std::llround(options.seconds * options.sampleRate));
    for (const BenchPlugin& entry : options.plugins) {
        PluginHost plugin;
        if (!plugin.load(entry.path, error)) return false;
        if (plugin.outputCount() == 0) {
            error = entry.path + " has no audio outputs";
            return false;
        }
        plugin.open();
        plugin.setSampleRate(options.sampleRate);
        plugin.setBlockSize(block);
        BenchResult result;
        result.path = entry.path;
        result.name = plugin.dispatchText(effGetEffectName);
        if (result.name.empty()) result.name = plugin.dispatchText(effGetProductString);
        if (result.name.empty()) result.name = entry.path;
        if (!entry.settings.empty()) report << result.name << ":\n";
        if (!applyParameterSettings(plugin, entry.settings, report, error)) return false;

        // At least two buffers each way, as in rendering.
        const int inputCount = std::max(plugin.inputCount(), 2);
        const int outputCount = std::max(plugin.outputCount(), 2);
        std::vector<std::vector<float>> inputs(static_cast<size_t>(inputCount),
                                               std::vector<float>(static_cast<size_t>(block)));
        std::vector<std::vector<float>> outputs(static_cast<size_t>(outputCount),
                                                std::vector<float>(static_cast<size_t>(block)));
        std::vector<float*> inputPointers;
        std::vector<float*> outputPointers;
        for (auto& channel : inputs) inputPointers.push_back(channel.data());
        for (auto& channel : outputs) outputPointers.push_back(channel.data());

        plugin.resume();
        WhiteNoise noise;
        result.audioSeconds = static_cast<double>(frames) / options.sampleRate;
        result.noiseWallSeconds =
            timeProcessing(plugin, frames, block, inputs, inputPointers, outputPointers, [&noise](float* data, int n) {
                for (int i = 0; i < n; ++i) data[i] = noise.next();
            });
        if (options.silencePhase)
            result.silenceWallSeconds = timeProcessing(plugin, frames, block, inputs, inputPointers, outputPointers,
                                                       [](float* data, int n) { std::fill(data, data + n, 0.0f); });
        plugin.suspend();
        plugin.close();
        results.push_back(result);
    }
    return true;
}

void printBenchResults(const std::vector<BenchResult>& results, std::ostream& out)
{
    char line[160];
    for (const BenchResult& result : results) {
        out << result.name << " (" << result.path << ")\n";
        std::snprintf(line, sizeof line, "  noise:   %.1f s of audio in %.4f s: %s\n", result.audioSeconds,
                      result.noiseWallSeconds, factorText(result.noiseFactor()).c_str());
        out << line;
        if (result.silenceWallSeconds >= 0.0) {
            std::snprintf(line, sizeof line, "  silence: %.1f s of audio in %.4f s: %s\n", result.audioSeconds,
                          result.silenceWallSeconds, factorText(result.silenceFactor()).c_str());
            out << line;
        }
    }
    if (results.size() < 2 || results.front().noiseFactor() <= 0.0) return;
    out << "Against " << results.front().name << " (realtime factor ratio; above 1 is faster):\n";
    for (size_t i = 1; i < results.size(); ++i) {
        std::snprintf(line, sizeof line, "  %s: %.2f", results[i].name.c_str(),
                      results[i].noiseFactor() / results.front().noiseFactor());
        out << line;
        if (results[i].silenceWallSeconds >= 0.0 && results.front().silenceFactor() > 0.0) {
            std::snprintf(line, sizeof line, " (silence %.2f)", results[i].silenceFactor() / results.front().silenceFactor());
            out << line;
        }
        out << "\n";
    }
}

}  // namespace host
