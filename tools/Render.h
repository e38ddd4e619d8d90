// Rendering audio through a plug-in: a file (or the built-in demo) in, a
// file out, with the calls in the order a real host makes them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/ParameterSetter.h"

namespace host {

struct RenderOptions
{
    std::string pluginPath;
    std::string inputPath;  // empty: the built-in demo signal
    std::string outputPath;
    std::vector<ParameterSetting> settings;
    int program = -1;  // -1: the plug-in's own choice
    double tempo = 0.0;  // zero: no timeline (audioMasterGetTime answers null)
    int blockSize = 512;
    int demoSampleRate = 44100;
    // Silence fed after the input ends, so echoes can die away. A generic
    // host cannot know a plug-in's longest echo; three seconds covers a few
    // repeats of the usual settings and stays short for quick checks.
    double tailSeconds = 3.0;
};

struct RenderResult
{
    std::string effectName;
    int inputChannels = 0;
    int outputChannels = 0;
    int sampleRate = 0;
    int64_t inputFrames = 0;
    int64_t outputFrames = 0;
    int latency = 0;  // the plug-in's initialDelay, compensated for
    float peak = 0.0f;
    int64_t nonFiniteSamples = 0;
};

// Where the render's words go: a report for the user, a log of the
// plug-in's requests (null unless verbose) and a progress bar's terminal
// (null when there is none).
struct RenderOutput
{
    std::ostream* report = nullptr;
    std::ostream* log = nullptr;
    std::ostream* progress = nullptr;
    int progressColumns = 80;
};

bool renderAudio(const RenderOptions& options, const RenderOutput& output, RenderResult& result, std::string& error);

// Feeds a block of interleaved file frames to the plug-in's inputs. A mono
// file feeds every input; a plug-in with one input gets the average of all
// channels; otherwise input k takes channel k, and inputs beyond the file's
// channels (side-chains, say) get silence.
void routeInputChannels(const float* interleaved, int fileChannels, int frames, float* const* inputs,
                        int inputCount);

}  // namespace host
