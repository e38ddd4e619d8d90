// The host against a plug-in it has never seen: the stereo slapback delay
// of Debian's lsp-plugins-vst. In its neutral state (no delay line switched
// on) it passes audio through; with one line in "Time" mode at 250 ms it
// adds the input again 250 ms later, at unity gain.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "HostTestSupport.h"
#include "tools/PluginHost.h"
#include "tools/Render.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace host;
using namespace host_test;

namespace {

std::string slapbackDelayPath()
{
    for (const char* path : {"/usr/lib/vst/lsp-plugins/slap-delay-stereo.so",
                             "/usr/lib/lxvst/lsp-plugins/slap-delay-stereo.so"}) {
        if (std::FILE* file = std::fopen(path, "rb")) {
            std::fclose(file);
            return path;
        }
    }
    return {};
}

// The plug-in keeps a few blocks per instance past effClose; that is its
// business, not a leak of the host's, so the leak checker looks away.
struct ThirdPartyAllocations
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler disabler;
#endif
};

class SlapbackDelayTest : public ::testing::Test
{
protected:
    ThirdPartyAllocations ignored;

    void SetUp() override
    {
        plugin = slapbackDelayPath();
        if (plugin.empty()) GTEST_SKIP() << "lsp-plugins-vst is not installed (tools/install-deps.sh installs it)";
        input = makeTones(2, 44100, 20000);
        // A click in each channel on top, easy to find again.
        input.samples[2 * 700] += 0.4f;
        input.samples[2 * 900 + 1] -= 0.4f;
        std::string error;
        ASSERT_TRUE(writeAudioFile(in.path(), input, error)) << error;
    }

    AudioData renderThrough(const std::vector<ParameterSetting>& settings, int blockSize)
    {
        RenderOptions options;
        options.pluginPath = plugin;
        options.inputPath = in.path();
        options.outputPath = out.path();
        options.settings = settings;
        options.blockSize = blockSize;
        options.tailSeconds = 0.5;
        RenderOutput output;
        RenderResult result;
        std::string error;
        EXPECT_TRUE(renderAudio(options, output, result, error)) << error;
        AudioData data;
        EXPECT_TRUE(readAudioFile(out.path(), data, error)) << error;
        return data;
    }

    std::string plugin;
    AudioData input;
    ScratchFile in{"lsp-in.wav"};
    ScratchFile out{"lsp-out.wav"};
};

}  // namespace

TEST_F(SlapbackDelayTest, ReadsItsIdentityAndParameters)
{
    PluginHost host;
    std::string error;
    ASSERT_TRUE(host.load(plugin, error)) << error;
    host.open();
    EXPECT_EQ(host.inputCount(), 2);
    EXPECT_EQ(host.outputCount(), 2);
    EXPECT_GT(host.parameterCount(), 20);
    EXPECT_NE(host.dispatchText(effGetEffectName).find("Slapback"), std::string::npos);
    EXPECT_EQ(host.parameterName(0), "bypass");
}

TEST_F(SlapbackDelayTest, NeutralStatePassesAudioThrough)
{
    const AudioData output = renderThrough({}, 512);
    ASSERT_EQ(output.channels, 2);
    ASSERT_EQ(output.frames(), 20000 + 22050);
    for (int64_t i = 0; i < output.frames(); ++i)
        for (int c = 0; c < 2; ++c) {
            const float expected = i < 20000 ? input.at(i, c) : 0.0f;
            ASSERT_NEAR(output.at(i, c), expected, 1e-6f) << "frame " << i << ", channel " << c;
        }
}

TEST_F(SlapbackDelayTest, OneLineAddsTheInputAQuarterSecondLater)
{
    // 250 ms at 44100 Hz is 11025 frames.
    constexpr int64_t kDelay = 11025;
    for (int block : {512, 333}) {
        const AudioData output = renderThrough({{"dm0", "Time"}, {"dt0", "250"}}, block);
        ASSERT_EQ(output.frames(), 20000 + 22050);
        auto inputAt = [this](int64_t i, int c) { return i >= 0 && i < 20000 ? input.at(i, c) : 0.0f; };
        for (int64_t i = 0; i < output.frames(); ++i) {
            for (int c = 0; c < 2; ++c) {
                ASSERT_TRUE(std::isfinite(output.at(i, c)));
                ASSERT_NEAR(output.at(i, c), inputAt(i, c) + inputAt(i - kDelay, c), 1e-5f)
                    << "frame " << i << ", channel " << c << ", block " << block;
            }
        }
    }
}
