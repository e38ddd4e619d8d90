// Reading and writing audio files (WAV, FLAC, AIFF) as 32-bit float frames,
// block by block so that long files never have to fit in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

enum class AudioFormat
{
    Unknown,
    Wav,   // 32-bit float
    Flac,  // 24-bit integer, the deepest FLAC holds
    Aiff,  // 24-bit integer, what every reader of AIFF takes
};

// The format written for a file name, chosen by its extension.
AudioFormat audioFormatForPath(const std::string& path);
const char* describeAudioFormat(AudioFormat format);

class AudioReader
{
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    bool open(const std::string& path, std::string& error);
    void close();
    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    int64_t frames() const { return frames_; }
    // Interleaved frames into buffer; returns how many were read (0 at the end).
    int64_t read(float* buffer, int64_t frames);

private:
    void* file_ = nullptr;
    int channels_ = 0;
    int sampleRate_ = 0;
    int64_t frames_ = 0;
};

class AudioWriter
{
public:
    AudioWriter() = default;
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // The format follows the file name (see audioFormatForPath).
    bool open(const std::string& path, int channels, int sampleRate, std::string& error);
    bool write(const float* buffer, int64_t frames, std::string& error);
    bool close(std::string& error);

private:
    void* file_ = nullptr;
    int channels_ = 0;
};

// A whole file in memory: for short signals and for tests.
struct AudioData
{
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;  // interleaved

    int64_t frames() const { return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0; }
    float at(int64_t frame, int channel) const { return samples[static_cast<size_t>(frame * channels + channel)]; }
};

bool readAudioFile(const std::string& path, AudioData& data, std::string& error);
bool writeAudioFile(const std::string& path, const AudioData& data, std::string& error);

}  // namespace host
