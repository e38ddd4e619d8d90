// Shared by the host's tests: the files they load, scratch files they write,
// and test signals whose values are known.
#pragma once

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/AudioFile.h"
#include "tools/HostCommand.h"

namespace host_test {

// Plug-in files, in the build folder where the tests run.
inline std::string parfelleFile() { return PARFELLE_PLUGIN_FILE; }
inline std::string probeFile() { return PROBE_PLUGIN_FILE; }
inline std::string noEntryFile() { return NO_ENTRY_PLUGIN_FILE; }
inline std::string nullEntryFile() { return NULL_ENTRY_PLUGIN_FILE; }
inline std::string badMagicFile() { return BAD_MAGIC_PLUGIN_FILE; }
inline std::string hugeRecordFile() { return HUGE_RECORD_PLUGIN_FILE; }

// A file in the build folder that is gone when the test ends.
class ScratchFile
{
public:
    explicit ScratchFile(const std::string& name) : path_("host-test-" + name) { std::remove(path_.c_str()); }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Each channel its own sine (220 Hz times the channel number plus one) at
// half scale, so channels can be told apart and mix-ups show.
inline host::AudioData makeTones(int channels, int sampleRate, int64_t frames)
{
    host::AudioData data;
    data.channels = channels;
    data.sampleRate = sampleRate;
    data.samples.resize(static_cast<size_t>(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data.samples[static_cast<size_t>(i * channels + c)] =
                static_cast<float>(0.5 * std::sin(2.0 * 3.14159265358979 * 220.0 * (c + 1) * i / sampleRate));
    return data;
}

// The command line run in-process: its exit code and what it printed.
struct Outcome
{
    int code;
    std::string out;
    std::string err;
};

inline Outcome run(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    const int code = host::runHost(arguments, host::HostStreams{out, err});
    return {code, out.str(), err.str()};
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace host_test
