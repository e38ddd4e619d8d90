// Rendering files through plug-ins: Parfelle with only its dry path open
// (which must give back the input exactly, whatever its echoes do), and the
// probe, whose outputs show what the host told it.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "HostTestSupport.h"
#include "tools/DemoSignal.h"
#include "tools/Render.h"

using namespace host;
using namespace host_test;

namespace {

const std::vector<ParameterSetting> kDryOnly = {{"Effect Level", "0"}, {"Dry Level", "1"}};

bool render(const RenderOptions& options, RenderResult& result, std::string& error, std::string* report = nullptr)
{
    std::ostringstream text;
    RenderOutput output;
    output.report = &text;
    const bool ok = renderAudio(options, output, result, error);
    if (report) *report = text.str();
    return ok;
}

AudioData renderToData(RenderOptions options, const std::string& outputName, RenderResult* result = nullptr)
{
    ScratchFile out(outputName);
    options.outputPath = out.path();
    RenderResult ignored;
    std::string error;
    EXPECT_TRUE(render(options, result ? *result : ignored, error)) << error;
    AudioData data;
    EXPECT_TRUE(readAudioFile(out.path(), data, error)) << error;
    return data;
}

// The frames [first, first + count) of one channel.
std::vector<float> channel(const AudioData& data, int c, int64_t first = 0, int64_t count = -1)
{
    if (count < 0) count = data.frames() - first;
    std::vector<float> out;
    for (int64_t i = first; i < first + count; ++i) out.push_back(data.at(i, c));
    return out;
}

}  // namespace

TEST(RenderParfelle, DryPathGivesBackTheInputAtAnyBlockSize)
{
    ScratchFile in("dry-in.wav");
    // Not a whole number of blocks for any size tried.
    const AudioData input = makeTones(2, 48000, 30001);
    std::string error;
    ASSERT_TRUE(writeAudioFile(in.path(), input, error)) << error;

    for (int block : {1, 3, 512, 4095, 8192}) {
        RenderOptions options;
        options.pluginPath = parfelleFile();
        options.inputPath = in.path();
        options.settings = kDryOnly;
        options.blockSize = block;
        options.tailSeconds = 0.25;
        RenderResult result;
        const AudioData output = renderToData(options, "dry-out.wav", &result);
        ASSERT_EQ(output.channels, 2) << block;
        EXPECT_EQ(output.sampleRate, 48000) << block;
        ASSERT_EQ(output.frames(), 30001 + 12000) << block;
        EXPECT_EQ(result.inputFrames, 30001);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(channel(output, c, 0, 30001), channel(input, c)) << "block " << block << ", channel " << c;
            EXPECT_EQ(channel(output, c, 30001), std::vector<float>(12000, 0.0f)) << "block " << block;
        }
    }
}

TEST(RenderParfelle, MonoFileFeedsBothInputs)
{
    ScratchFile in("mono-in.wav");
    const AudioData input = makeTones(1, 44100, 5000);
    std::string error;
    ASSERT_TRUE(writeAudioFile(in.path(), input, error)) << error;
    RenderOptions options;
    options.pluginPath = parfelleFile();
    options.inputPath = in.path();
    options.settings = kDryOnly;
    options.tailSeconds = 0.0;
    const AudioData output = renderToData(options, "mono-out.wav");
    ASSERT_EQ(output.channels, 2);
    ASSERT_EQ(output.frames(), 5000);
    EXPECT_EQ(channel(output, 0), input.samples);
    EXPECT_EQ(channel(output, 1), input.samples);
}

TEST(RenderParfelle, BuiltInDemo)
{
    RenderOptions options;
    options.pluginPath = parfelleFile();
    RenderResult result;
    const AudioData output = renderToData(options, "demo.wav", &result);
    ASSERT_EQ(output.channels, 2);
    EXPECT_EQ(output.sampleRate, 44100);
    ASSERT_EQ(output.frames(), (6 + 3) * 44100);
    EXPECT_EQ(result.inputFrames, 6 * 44100);
    double energy = 0.0;
    for (float sample : output.samples) {
        ASSERT_TRUE(std::isfinite(sample));
        energy += static_cast<double>(sample) * sample;
    }
    EXPECT_GT(std::sqrt(energy / static_cast<double>(output.samples.size())), 0.01);

    // Through the dry path alone the demo comes back as it was made, at the rate asked for.
    options.settings = kDryOnly;
    options.demoSampleRate = 22050;
    options.tailSeconds = 0.0;
    const AudioData dry = renderToData(options, "demo-dry.wav");
    EXPECT_EQ(dry.sampleRate, 22050);
    EXPECT_EQ(dry.samples, makeDemoSignal(22050).samples);
}

TEST(RenderParfelle, IntegerOutputFormats)
{
    const AudioData demo = makeDemoSignal(44100);
    for (const char* name : {"demo.aiff", "demo.flac"}) {
        RenderOptions options;
        options.pluginPath = parfelleFile();
        options.settings = kDryOnly;
        options.tailSeconds = 0.0;
        ScratchFile out(name);
        options.outputPath = out.path();
        RenderResult result;
        std::string error;
        if (!render(options, result, error)) {
            // The Windows build's libsndfile has no FLAC codec.
            EXPECT_EQ(audioFormatForPath(name), AudioFormat::Flac) << error;
            continue;
        }
        AudioData output;
        ASSERT_TRUE(readAudioFile(out.path(), output, error)) << error;
        ASSERT_EQ(output.samples.size(), demo.samples.size()) << name;
        float worst = 0.0f;
        for (size_t i = 0; i < demo.samples.size(); ++i)
            worst = std::max(worst, std::fabs(output.samples[i] - demo.samples[i]));
        EXPECT_LE(worst, 1.0f / 8388608.0f) << name;
    }
}

TEST(RenderProbe, TimelineLatencyAndChannelCounts)
{
    ScratchFile in("probe-in.wav");
    const AudioData input = makeTones(2, 44100, 5000);
    std::string error;
    ASSERT_TRUE(writeAudioFile(in.path(), input, error)) << error;

    constexpr int kBlock = 256;
    constexpr int kLatency = 100;  // the probe's
    for (double tempo : {0.0, 140.0}) {
        RenderOptions options;
        options.pluginPath = probeFile();
        options.inputPath = in.path();
        options.blockSize = kBlock;
        options.tempo = tempo;
        options.tailSeconds = 0.1;
        RenderResult result;
        const AudioData output = renderToData(options, "probe-out.wav", &result);
        EXPECT_EQ(result.latency, kLatency);
        ASSERT_EQ(output.channels, 3);
        ASSERT_EQ(output.frames(), 5000 + 4410);

        // One input: it hears the average of the file's two channels, and
        // with the latency taken off, on time.
        for (int64_t i = 0; i < output.frames(); ++i) {
            const float expected = i < 5000 ? (input.at(i, 0) + input.at(i, 1)) * 0.5f : 0.0f;
            ASSERT_EQ(output.at(i, 0), expected) << "frame " << i;
        }
        for (int64_t i = 0; i < output.frames(); ++i) {
            const int64_t processed = i + kLatency;
            const float blockStart = tempo > 0.0 ? static_cast<float>(processed - processed % kBlock) : -1.0f;
            ASSERT_EQ(output.at(i, 1), tempo > 0.0 ? 140.0f : -1.0f) << "frame " << i;
            ASSERT_EQ(output.at(i, 2), blockStart) << "frame " << i;
        }
    }
}

TEST(RenderProbe, ProgramIsSelectedAndReported)
{
    RenderOptions options;
    options.pluginPath = probeFile();
    options.program = 2;
    options.tailSeconds = 0.0;
    ScratchFile out("program.wav");
    options.outputPath = out.path();
    RenderResult result;
    std::string error;
    std::string report;
    ASSERT_TRUE(render(options, result, error, &report)) << error;
    EXPECT_NE(report.find("Program 2: Third\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Plug-in: Probe, 1 in, 3 out\n"), std::string::npos) << report;

    options.program = 3;
    EXPECT_FALSE(render(options, result, error));
    EXPECT_NE(error.find("has 3 programs; there is no program 3"), std::string::npos) << error;
}

TEST(RenderErrors, EachFailureSaysWhat)
{
    struct Case
    {
        std::string plugin, input, output;
        std::vector<ParameterSetting> settings;
        std::string expected;
    };
    const Case cases[] = {
        {parfelleFile(), "host-test-absent.wav", "host-test-x.wav", {}, "host-test-absent.wav"},
        {parfelleFile(), "", "host-test-x.mp3", {}, "use .wav, .flac, .aif or .aiff"},
        {parfelleFile(), "", "host-test-x.wav", {{"Colour", "1"}}, "no parameter called \"Colour\""},
        {parfelleFile(), "", "host-test-x.wav", {{"Triplet", "Sometimes"}}, "\"Off\", \"On\""},
        {"host-test-absent" + parfelleFile(), "", "host-test-x.wav", {}, "no such file"},
        {noEntryFile(), "", "host-test-x.wav", {}, "exports neither"},
        {parfelleFile(), "", "host-test-no-such-folder/x.wav", {}, "no-such-folder"},
    };
    for (const Case& c : cases) {
        RenderOptions options;
        options.pluginPath = c.plugin;
        options.inputPath = c.input;
        options.outputPath = c.output;
        options.settings = c.settings;
        RenderResult result;
        std::string error;
        EXPECT_FALSE(render(options, result, error)) << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    std::remove("host-test-x.wav");
}
