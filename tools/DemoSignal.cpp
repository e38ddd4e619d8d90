#include "tools/DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace host {

namespace {

constexpr double kBeatsPerSecond = 2.0;  // 120 BPM
constexpr double kPi = 3.14159265358979323846;

struct Note
{
    double beat;
    int key;    // MIDI note number
    float pan;  // -1 left .. +1 right
};

// A rising A-minor figure, an answer falling back, and a chord left to ring.
constexpr Note kMelody[] = {
    {0.0, 57, -0.5f}, {0.5, 60, 0.5f},  {1.0, 64, -0.5f}, {1.5, 67, 0.5f}, {2.0, 69, 0.0f},
    {3.0, 67, 0.4f},  {3.5, 64, -0.4f}, {4.0, 62, 0.4f},  {4.5, 60, -0.4f}, {6.0, 57, -0.3f},
    {6.0, 64, 0.3f},
};

// Small and fixed, so the demo is the same on every machine.
class Noise
{
public:
    float next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_) / 2147483648.0f - 1.0f;
    }

private:
    uint32_t state_ = 0x9e3779b9u;
};

void addStereo(std::vector<float>& out, int64_t frame, float value, float pan)
{
    // Constant-power pan.
    const double angle = (pan + 1.0) * kPi / 4.0;
    out[static_cast<size_t>(frame * 2)] += static_cast<float>(value * std::cos(angle));
    out[static_cast<size_t>(frame * 2 + 1)] += static_cast<float>(value * std::sin(angle));
}

// Karplus-Strong: a burst of noise circulating in a delay line one period
// long, averaged on every pass, which is what makes it decay like a string.
void addPluck(std::vector<float>& out, int64_t frames, int rate, const Note& note, Noise& noise)
{
    const double frequency = 440.0 * std::pow(2.0, (note.key - 69) / 12.0);
    const int period = std::max(2, static_cast<int>(std::lround(rate / frequency)));
    std::vector<float> line(static_cast<size_t>(period));
    float previous = 0.0f;
    for (float& sample : line) {
        // A touch of smoothing makes the attack less harsh.
        previous = 0.5f * previous + 0.5f * noise.next();
        sample = previous;
    }
    const int64_t start = static_cast<int64_t>(note.beat / kBeatsPerSecond * rate);
    const int64_t length = std::min<int64_t>(frames - start, static_cast<int64_t>(2.5 * rate));
    size_t position = 0;
    for (int64_t i = 0; i < length; ++i) {
        const size_t nextPosition = (position + 1) % line.size();
        const float current = line[position];
        line[position] = 0.498f * (current + line[nextPosition]);
        addStereo(out, start + i, 0.5f * current, note.pan);
        position = nextPosition;
    }
}

// A rim click on every beat, accented on the bar, and a soft kick on the bar.
void addClick(std::vector<float>& out, int64_t frames, int rate, double beat, bool accent, Noise& noise)
{
    const int64_t start = static_cast<int64_t>(beat / kBeatsPerSecond * rate);
    const int64_t clickLength = std::min<int64_t>(frames - start, rate / 50);
    for (int64_t i = 0; i < clickLength; ++i) {
        const double t = static_cast<double>(i) / rate;
        addStereo(out, start + i, static_cast<float>((accent ? 0.6 : 0.35) * std::exp(-t / 0.003)) * noise.next(),
                  0.0f);
    }
    if (!accent) return;
    const int64_t kickLength = std::min<int64_t>(frames - start, rate / 4);
    double phase = 0.0;
    for (int64_t i = 0; i < kickLength; ++i) {
        const double t = static_cast<double>(i) / rate;
        // The pitch falls from 150 Hz to 50 Hz as a kick's does.
        phase += 2.0 * kPi * (50.0 + 100.0 * std::exp(-t / 0.03)) / rate;
        addStereo(out, start + i, static_cast<float>(0.6 * std::exp(-t / 0.08) * std::sin(phase)), 0.0f);
    }
}

}  // namespace

AudioData makeDemoSignal(int sampleRate)
{
    AudioData data;
    data.channels = 2;
    data.sampleRate = sampleRate;
    const int64_t frames = static_cast<int64_t>(kDemoSeconds * sampleRate);
    data.samples.assign(static_cast<size_t>(frames * 2), 0.0f);

    Noise noise;
    for (const Note& note : kMelody) addPluck(data.samples, frames, sampleRate, note, noise);
    for (int beat = 0; beat < 8; ++beat) addClick(data.samples, frames, sampleRate, beat, beat % 4 == 0, noise);

    float peak = 0.0f;
    for (float sample : data.samples) peak = std::max(peak, std::fabs(sample));
    const float gain = peak > 0.0f ? 0.7f / peak : 1.0f;
    // A short fade so the end is not a click of its own.
    const int64_t fade = sampleRate / 20;
    for (int64_t frame = 0; frame < frames; ++frame) {
        const float fadeGain = frame >= frames - fade ? static_cast<float>(frames - frame) / fade : 1.0f;
        for (int c = 0; c < 2; ++c) data.samples[static_cast<size_t>(frame * 2 + c)] *= gain * fadeGain;
    }
    return data;
}

}  // namespace host
