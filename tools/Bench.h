// The whole-plug-in realtime-factor run: stereo white noise through the
// plug-in in fixed blocks, timing only the processing calls. An optional
// second phase feeds silence for as long again, where denormal stalls show.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/ParameterSetter.h"

namespace host {

struct BenchPlugin
{
    std::string path;
    std::vector<ParameterSetting> settings;
};

struct BenchOptions
{
    std::vector<BenchPlugin> plugins;
    double seconds = 60.0;
    int blockSize = 512;
    int sampleRate = 44100;
    bool silencePhase = false;
};

struct BenchResult
{
    std::string path;
    std::string name;
    double audioSeconds = 0.0;
    double noiseWallSeconds = 0.0;
    double silenceWallSeconds = -1.0;  // negative: not run

    double noiseFactor() const { return noiseWallSeconds > 0.0 ? audioSeconds / noiseWallSeconds : 0.0; }
    double silenceFactor() const { return silenceWallSeconds > 0.0 ? audioSeconds / silenceWallSeconds : 0.0; }
};

// Runs each plug-in in turn; settings lines go to report.
bool runBench(const BenchOptions& options, std::vector<BenchResult>& results, std::ostream& report,
              std::string& error);

// The results, and with several plug-ins each one's factor against the first's.
void printBenchResults(const std::vector<BenchResult>& results, std::ostream& out);

}  // namespace host
