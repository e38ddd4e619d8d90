#include "tools/Render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>

#include "tools/AudioFile.h"
#include "tools/DemoSignal.h"
#include "tools/PluginHost.h"
#include "tools/Progress.h"

namespace host {

namespace {

// A plug-in reporting more latency than this is not believed.
constexpr double kLongestLatencySeconds = 10.0;

std::string seconds(int64_t frames, int rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(frames) / rate);
    return text;
}

std::string decibels(float peak)
{
    if (!(peak > 0.0f)) return "silent";
    char text[32];
    std::snprintf(text, sizeof text, "peak %.1f dBFS", 20.0 * std::log10(static_cast<double>(peak)));
    return text;
}

// Plug-in buffers, one per channel, never fewer than two: plug-ins written
// for stereo have been seen to touch both whatever they declare.
struct ChannelBuffers
{
    ChannelBuffers(int channels, int frames)
        : storage(static_cast<size_t>(std::max(channels, 2)), std::vector<float>(static_cast<size_t>(frames)))
    {
        for (auto& channel : storage) pointers.push_back(channel.data());
    }
    std::vector<std::vector<float>> storage;
    std::vector<float*> pointers;
};

}  // namespace

void routeInputChannels(const float* interleaved, int fileChannels, int frames, float* const* inputs,
                        int inputCount)
{
    for (int k = 0; k < inputCount; ++k) {
        float* input = inputs[k];
        if (fileChannels == 1) {
            std::copy(interleaved, interleaved + frames, input);
        } else if (inputCount == 1) {
            const float scale = 1.0f / static_cast<float>(fileChannels);
            for (int i = 0; i < frames; ++i) {
                float sum = 0.0f;
                for (int c = 0; c < fileChannels; ++c) sum += interleaved[i * fileChannels + c];
                input[i] = sum * scale;
            }
        } else if (k < fileChannels) {
            for (int i = 0; i < frames; ++i) input[i] = interleaved[i * fileChannels + k];
        } else {
            std::fill(input, input + frames, 0.0f);
        }
    }
}

bool renderAudio(const RenderOptions& options, const RenderOutput& output, RenderResult& result, std::string& error)
{
    std::ostringstream discard;
    std::ostream& report = output.report ? *output.report : discard;

    if (audioFormatForPath(options.outputPath) == AudioFormat::Unknown) {
        error = "cannot tell the format of " + options.outputPath + " from its name: use .wav, .flac, .aif or .aiff";
        return false;
    }
    if (options.blockSize <= 0) {
        error = "the block size must be positive";
        return false;
    }

    // The source: a file read block by block, or the demo from memory.
    AudioReader reader;
    AudioData demo;
    std::function<int64_t(float*, int64_t)> readFrames;
    int fileChannels = 0;
    int64_t expectedFrames = 0;
    if (options.inputPath.empty()) {
        demo = makeDemoSignal(options.demoSampleRate);
        fileChannels = demo.channels;
        result.sampleRate = demo.sampleRate;
        expectedFrames = demo.frames();
        int64_t position = 0;
        readFrames = [&demo, position](float* buffer, int64_t frames) mutable {
            const int64_t count = std::min(frames, demo.frames() - position);
            std::copy(demo.samples.begin() + position * demo.channels,
                      demo.samples.begin() + (position + count) * demo.channels, buffer);
            position += count;
            return count;
        };
        report << "Input: the built-in demo, " << seconds(expectedFrames, result.sampleRate) << ", "
               << demo.channels << " channels, " << result.sampleRate << " Hz\n";
    } else {
        if (!reader.open(options.inputPath, error)) return false;
        fileChannels = reader.channels();
        result.sampleRate = reader.sampleRate();
        expectedFrames = reader.frames();
        readFrames = [&reader](float* buffer, int64_t frames) { return reader.read(buffer, frames); };
        report << "Input: " << options.inputPath << ", " << seconds(expectedFrames, result.sampleRate) << ", "
               << fileChannels << (fileChannels == 1 ? " channel, " : " channels, ") << result.sampleRate << " Hz\n";
    }
    result.inputChannels = fileChannels;

    PluginHost plugin;
    plugin.setLog(output.log);
    plugin.setTempo(options.tempo);
    if (!plugin.load(options.pluginPath, error)) return false;
    const int inputCount = plugin.inputCount();
    const int outputCount = plugin.outputCount();
    if (outputCount == 0) {
        error = "the plug-in has no audio outputs";
        return false;
    }
    result.outputChannels = outputCount;

    plugin.open();
    result.effectName = plugin.dispatchText(effGetEffectName);
    if (result.effectName.empty()) result.effectName = plugin.dispatchText(effGetProductString);
    report << "Plug-in: " << (result.effectName.empty() ? options.pluginPath : result.effectName) << ", "
           << inputCount << " in, " << outputCount << " out\n";
    if (fileChannels > inputCount && inputCount > 1)
        report << "Warning: the input has " << fileChannels << " channels and the plug-in takes " << inputCount
               << "; the rest are left out\n";

    plugin.setSampleRate(result.sampleRate);
    plugin.setBlockSize(options.blockSize);
    if (options.program >= 0) {
        if (options.program >= plugin.programCount()) {
            error = "the plug-in has " + std::to_string(plugin.programCount()) + " programs; there is no program " +
                    std::to_string(options.program);
            return false;
        }
        plugin.selectProgram(options.program);
        report << "Program " << options.program << ": " << plugin.dispatchText(effGetProgramName) << "\n";
    }
    if (!applyParameterSettings(plugin, options.settings, report, error)) return false;

    // Latency is taken off the start and the render runs that much longer,
    // so the output lines up with the input as a host's delay compensation would.
    const int32_t declared = plugin.effect()->initialDelay;
    if (declared > 0 && declared <= kLongestLatencySeconds * result.sampleRate) result.latency = declared;

    AudioWriter writer;
    if (!writer.open(options.outputPath, outputCount, result.sampleRate, error)) return false;

    const int block = options.blockSize;
    ChannelBuffers inputs(inputCount, block);
    ChannelBuffers outputs(outputCount, block);
    std::vector<float> fileBlock(static_cast<size_t>(block) * static_cast<size_t>(fileChannels));
    std::vector<float> outBlock(static_cast<size_t>(block) * static_cast<size_t>(outputCount));

    const int64_t extraFrames =
        static_cast<int64_t>(std::llround(std::max(0.0, options.tailSeconds) * result.sampleRate)) + result.latency;
    ProgressBar progress(output.progress, output.progressColumns, expectedFrames + extraFrames, "Rendering");

    plugin.resume();
    bool inputEnded = false;
    int64_t silenceFed = 0;  // frames processed after the input's end
    int64_t toSkip = result.latency;
    for (;;) {
        int got = 0;
        if (!inputEnded) {
            got = static_cast<int>(readFrames(fileBlock.data(), block));
            result.inputFrames += got;
            if (got < block) inputEnded = true;
        }
        int frames = block;
        if (inputEnded) frames = static_cast<int>(std::min<int64_t>(block, got + (extraFrames - silenceFed)));
        if (frames <= 0) break;
        std::fill(fileBlock.begin() + static_cast<std::ptrdiff_t>(got) * fileChannels, fileBlock.end(), 0.0f);
        if (inputCount > 0) routeInputChannels(fileBlock.data(), fileChannels, frames, inputs.pointers.data(), inputCount);

        plugin.process(inputs.pointers.data(), outputs.pointers.data(), frames);
        if (inputEnded) silenceFed += frames - got;

        const int skip = static_cast<int>(std::min<int64_t>(toSkip, frames));
        toSkip -= skip;
        const int keep = frames - skip;
        for (int i = 0; i < keep; ++i) {
            for (int c = 0; c < outputCount; ++c) {
                const float sample = outputs.pointers[static_cast<size_t>(c)][skip + i];
                outBlock[static_cast<size_t>(i * outputCount + c)] = sample;
                if (std::isfinite(sample))
                    result.peak = std::max(result.peak, std::fabs(sample));
                else
                    ++result.nonFiniteSamples;
            }
        }
        if (!writer.write(outBlock.data(), keep, error)) return false;
        result.outputFrames += keep;
        progress.update(result.inputFrames + silenceFed);
        if (inputEnded && silenceFed >= extraFrames) break;
    }
    progress.finish();
    plugin.suspend();
    plugin.close();
    if (!writer.close(error)) return false;

    report << "Output: " << options.outputPath << " (" << describeAudioFormat(audioFormatForPath(options.outputPath))
           << "), " << outputCount << (outputCount == 1 ? " channel, " : " channels, ")
           << seconds(result.outputFrames, result.sampleRate) << " with a "
           << seconds(result.outputFrames - result.inputFrames, result.sampleRate) << " tail, "
           << decibels(result.peak) << "\n";
    if (result.latency > 0) report << "Latency of " << result.latency << " frames compensated\n";
    if (result.nonFiniteSamples > 0)
        report << "Warning: the plug-in produced " << result.nonFiniteSamples << " samples that are not numbers\n";
    if (output.log) plugin.printRequestSummary(*output.log);
    return true;
}

}  // namespace host
