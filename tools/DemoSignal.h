// The built-in demo: a short plucked melody over a click track, synthesised
// in code, for trying the effect without an audio file at hand. Sparse notes
// with silence after them, so that reversed echoes are easy to hear.
#pragma once

#include "tools/AudioFile.h"

namespace host {

constexpr double kDemoSeconds = 6.0;
constexpr int kDemoSampleRate = 44100;

// Stereo, kDemoSeconds long, peaking at about -3 dBFS. The same every time.
AudioData makeDemoSignal(int sampleRate = kDemoSampleRate);

}  // namespace host
