#include "tools/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace host {

namespace {

std::string lowerExtension(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

int libraryFormat(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Wav: return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    case AudioFormat::Flac: return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    case AudioFormat::Aiff: return SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
    case AudioFormat::Unknown: break;
    }
    return 0;
}

SNDFILE* handle(void* file) { return static_cast<SNDFILE*>(file); }

}  // namespace

AudioFormat audioFormatForPath(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "wav") return AudioFormat::Wav;
    if (extension == "flac") return AudioFormat::Flac;
    if (extension == "aif" || extension == "aiff") return AudioFormat::Aiff;
    return AudioFormat::Unknown;
}

const char* describeAudioFormat(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Wav: return "WAV, 32-bit float";
    case AudioFormat::Flac: return "FLAC, 24-bit";
    case AudioFormat::Aiff: return "AIFF, 24-bit";
    case AudioFormat::Unknown: break;
    }
    return "unknown format";
}

AudioReader::~AudioReader() { close(); }

bool AudioReader::open(const std::string& path, std::string& error)
{
    close();
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        sf_close(file);
        error = "cannot read " + path + ": no channels or no sample rate";
        return false;
    }
    file_ = file;
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    frames_ = info.frames;
    return true;
}

void AudioReader::close()
{
    if (file_) sf_close(handle(file_));
    file_ = nullptr;
}

int64_t AudioReader::read(float* buffer, int64_t frames)
{
    if (!file_ || frames <= 0) return 0;
    const sf_count_t got = sf_readf_float(handle(file_), buffer, frames);
    return got > 0 ? got : 0;
}

AudioWriter::~AudioWriter()
{
    std::string ignored;
    close(ignored);
}

bool AudioWriter::open(const std::string& path, int channels, int sampleRate, std::string& error)
{
    std::string ignored;
    close(ignored);
    const AudioFormat format = audioFormatForPath(path);
    if (format == AudioFormat::Unknown) {
        error = "cannot tell the format of " + path + " from its name: use .wav, .flac, .aif or .aiff";
        return false;
    }
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = libraryFormat(format);
    if (!sf_format_check(&info)) {
        error = "cannot write " + path + ": this build cannot write " + describeAudioFormat(format) + " with " +
                std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz";
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        // A library built without a codec accepts the format, then fails to open it.
        if (sf_error(nullptr) != SF_ERR_SYSTEM)
            error += std::string(" (this build cannot write ") + describeAudioFormat(format) + ")";
        return false;
    }
    // Integer formats would wrap around on overs instead of clipping.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = file;
    channels_ = channels;
    return true;
}

bool AudioWriter::write(const float* buffer, int64_t frames, std::string& error)
{
    if (!file_) {
        error = "the output file is not open";
        return false;
    }
    if (frames <= 0) return true;
    if (sf_writef_float(handle(file_), buffer, frames) != frames) {
        error = std::string("cannot write the output file: ") + sf_strerror(handle(file_));
        return false;
    }
    return true;
}

bool AudioWriter::close(std::string& error)
{
    if (!file_) return true;
    const int result = sf_close(handle(file_));
    file_ = nullptr;
    if (result != 0) {
        error = std::string("cannot finish the output file: ") + sf_error_number(result);
        return false;
    }
    return true;
}

bool readAudioFile(const std::string& path, AudioData& data, std::string& error)
{
    AudioReader reader;
    if (!reader.open(path, error)) return false;
    data.channels = reader.channels();
    data.sampleRate = reader.sampleRate();
    data.samples.clear();
    // The frame count in the header is not trusted: read until the end.
    constexpr int64_t kChunk = 65536;
    std::vector<float> chunk(static_cast<size_t>(kChunk * data.channels));
    for (;;) {
        const int64_t got = reader.read(chunk.data(), kChunk);
        if (got <= 0) break;
        data.samples.insert(data.samples.end(), chunk.begin(), chunk.begin() + got * data.channels);
    }
    return true;
}

bool writeAudioFile(const std::string& path, const AudioData& data, std::string& error)
{
    AudioWriter writer;
    if (!writer.open(path, data.channels, data.sampleRate, error)) return false;
    if (!writer.write(data.samples.data(), data.frames(), error)) return false;
    return writer.close(error);
}

}  // namespace host
