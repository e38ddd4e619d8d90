// Audio files through libsndfile, and the routing of file channels to the
// plug-in's inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "HostTestSupport.h"
#include "tools/AudioFile.h"
#include "tools/Render.h"

using namespace host;
using namespace host_test;

TEST(AudioFormatChoice, FollowsTheExtension)
{
    EXPECT_EQ(audioFormatForPath("out.wav"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatForPath("C:\\Mixes\\Take 2.WAV"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatForPath("out.flac"), AudioFormat::Flac);
    EXPECT_EQ(audioFormatForPath("out.aif"), AudioFormat::Aiff);
    EXPECT_EQ(audioFormatForPath("out.Aiff"), AudioFormat::Aiff);
    EXPECT_EQ(audioFormatForPath("out.mp3"), AudioFormat::Unknown);
    EXPECT_EQ(audioFormatForPath("out"), AudioFormat::Unknown);
    // A dot in a folder's name is not an extension.
    EXPECT_EQ(audioFormatForPath("takes.wav/out"), AudioFormat::Unknown);
    EXPECT_EQ(audioFormatForPath("takes.wav\\out"), AudioFormat::Unknown);
}

TEST(AudioFiles, FloatWavKeepsEverySampleExactly)
{
    ScratchFile file("roundtrip.wav");
    AudioData written = makeTones(3, 48000, 1001);
    // Values a 24-bit file could not hold, and overs a float file keeps.
    written.samples[0] = 1.0e-9f;
    written.samples[1] = 1.75f;
    written.samples[2] = -3.0f;
    std::string error;
    ASSERT_TRUE(writeAudioFile(file.path(), written, error)) << error;

    AudioData read;
    ASSERT_TRUE(readAudioFile(file.path(), read, error)) << error;
    EXPECT_EQ(read.channels, 3);
    EXPECT_EQ(read.sampleRate, 48000);
    EXPECT_EQ(read.frames(), 1001);
    EXPECT_EQ(read.samples, written.samples);
}

TEST(AudioFiles, IntegerFormatsRoundToTwentyFourBits)
{
    for (const char* name : {"roundtrip.aiff", "roundtrip.flac"}) {
        ScratchFile file(name);
        const AudioData written = makeTones(2, 44100, 4000);
        std::string error;
        if (!writeAudioFile(file.path(), written, error)) {
            // The Windows build's libsndfile is built without the FLAC codec.
            EXPECT_EQ(audioFormatForPath(file.path()), AudioFormat::Flac) << error;
            EXPECT_NE(error.find("this build cannot write FLAC"), std::string::npos) << error;
            continue;
        }
        AudioData read;
        ASSERT_TRUE(readAudioFile(file.path(), read, error)) << error;
        ASSERT_EQ(read.frames(), written.frames()) << name;
        ASSERT_EQ(read.channels, 2);
        float worst = 0.0f;
        for (size_t i = 0; i < read.samples.size(); ++i)
            worst = std::max(worst, std::fabs(read.samples[i] - written.samples[i]));
        // Within a step of 24 bits: writing scales by 2^23 - 1, reading by 2^23.
        EXPECT_LE(worst, 1.0f / 8388608.0f) << name;
        EXPECT_GT(worst, 0.0f) << name << " cannot have kept float values exactly";
    }
}

TEST(AudioFiles, ErrorsNameTheFile)
{
    AudioData data;
    std::string error;
    EXPECT_FALSE(readAudioFile("host-test-missing.wav", data, error));
    EXPECT_NE(error.find("host-test-missing.wav"), std::string::npos) << error;

    data = makeTones(1, 44100, 10);
    EXPECT_FALSE(writeAudioFile("host-test-out.ogg", data, error));
    EXPECT_NE(error.find(".wav, .flac, .aif or .aiff"), std::string::npos) << error;
    EXPECT_FALSE(writeAudioFile("host-test-no-such-folder/out.wav", data, error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
}

TEST(AudioFiles, ReaderDeliversBlocksUntilTheEnd)
{
    ScratchFile file("blocks.wav");
    const AudioData written = makeTones(2, 44100, 1000);
    std::string error;
    ASSERT_TRUE(writeAudioFile(file.path(), written, error)) << error;
    AudioReader reader;
    ASSERT_TRUE(reader.open(file.path(), error)) << error;
    EXPECT_EQ(reader.frames(), 1000);
    std::vector<float> block(2 * 300);
    std::vector<int64_t> sizes;
    std::vector<float> all;
    for (int64_t got; (got = reader.read(block.data(), 300)) > 0;) {
        sizes.push_back(got);
        all.insert(all.end(), block.begin(), block.begin() + got * 2);
    }
    EXPECT_EQ(sizes, (std::vector<int64_t>{300, 300, 300, 100}));
    EXPECT_EQ(all, written.samples);
}

TEST(InputRouting, FileChannelsToPluginInputs)
{
    // Three frames of a stereo file: left 1, 2, 3; right 10, 20, 30.
    const float stereo[] = {1, 10, 2, 20, 3, 30};
    const float mono[] = {5, 6, 7};
    const float three[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::vector<float>> buffers(4, std::vector<float>(3, -99.0f));
    float* inputs[4] = {buffers[0].data(), buffers[1].data(), buffers[2].data(), buffers[3].data()};
    using V = std::vector<float>;

    routeInputChannels(mono, 1, 3, inputs, 2);
    EXPECT_EQ(buffers[0], (V{5, 6, 7}));
    EXPECT_EQ(buffers[1], (V{5, 6, 7}));

    routeInputChannels(stereo, 2, 3, inputs, 1);
    EXPECT_EQ(buffers[0], (V{5.5f, 11, 16.5f}));

    // A side-chain beyond the file's channels hears nothing.
    routeInputChannels(stereo, 2, 3, inputs, 4);
    EXPECT_EQ(buffers[0], (V{1, 2, 3}));
    EXPECT_EQ(buffers[1], (V{10, 20, 30}));
    EXPECT_EQ(buffers[2], (V{0, 0, 0}));
    EXPECT_EQ(buffers[3], (V{0, 0, 0}));

    routeInputChannels(three, 3, 3, inputs, 2);
    EXPECT_EQ(buffers[0], (V{1, 4, 7}));
    EXPECT_EQ(buffers[1], (V{2, 5, 8}));

    // Only the frames asked for are written.
    buffers[0].assign(3, -99.0f);
    routeInputChannels(mono, 1, 2, inputs, 1);
    EXPECT_EQ(buffers[0], (V{5, 6, -99}));
}
