// The command line end to end: in-process through runHost on every target,
// and on Linux also the built executable, for its real exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "HostTestSupport.h"
#include "tools/HostCommand.h"

using namespace host;
using namespace host_test;

namespace {

size_t countOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(HostCommandLine, HelpAndUsageErrors)
{
    Outcome help = run({"--help"});
    EXPECT_EQ(help.code, kExitSuccess);
    EXPECT_TRUE(contains(help.out, "Exit status: 0 success; 1 failure")) << help.out;
    EXPECT_TRUE(contains(help.out, "--tail SECONDS")) << help.out;
    EXPECT_EQ(run({"render", "--help"}).code, kExitSuccess);
    EXPECT_TRUE(contains(run({"--version"}).out, "parfelle-host "));

    struct Case
    {
        std::vector<std::string> arguments;
        std::string expected;
    };
    const Case cases[] = {
        {{}, "Usage:"},
        {{"play"}, "unknown command play"},
        {{"render"}, "needs an output file"},
        {{"render", "a.wav", "b.wav", "c.wav"}, "at most an input and an output"},
        {{"render", "out.ogg"}, "cannot tell the format of out.ogg"},
        {{"render", "out.wav", "--loud"}, "unknown option --loud"},
        {{"render", "out.wav", "--block"}, "--block needs a value"},
        {{"render", "out.wav", "--block", "0"}, "--block takes a whole number"},
        {{"render", "out.wav", "--block=12x"}, "--block takes a whole number"},
        {{"render", "out.wav", "--tempo", "fast"}, "--tempo takes a number"},
        {{"render", "out.wav", "--set", "Feedback"}, "expected NAME=VALUE"},
        {{"render", "in.wav", "out.wav", "--rate", "48000"}, "--rate is for the built-in demo"},
        {{"render", "out.wav", "--seconds", "3"}, "render does not take --seconds"},
        {{"render", "out.wav", "--verbose=yes"}, "--verbose takes no value"},
        {{"info", "a.so", "b.so"}, "info takes one plug-in"},
        {{"bench", "a.so"}, "name plug-ins with --plugin"},
    };
    for (const Case& c : cases) {
        const Outcome result = run(c.arguments);
        EXPECT_EQ(result.code, kExitUsage) << c.expected;
        EXPECT_TRUE(contains(result.err, c.expected)) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

TEST(HostCommandLine, InfoListsEverything)
{
    const Outcome result = run({"info", parfelleFile()});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    for (const char* part : {"Effect name     Parfelle", "Vendor          Haldrane", "'VeDi' (1449477225)",
                             "magic         'VstP' (1450406992)", "flags         0x00000011 HasEditor CanReplacing",
                             "Category        Effect (1)", "Parameters (21)", "Filter Cutoff", "1000", "Hz",
                             "0.546603", "Programs ("})
        EXPECT_TRUE(contains(result.out, part)) << part << "\n" << result.out;

    // Programs named only through effGetProgramName, and --plugin works too.
    const Outcome probe = run({"info", "--plugin", probeFile()});
    ASSERT_EQ(probe.code, kExitSuccess) << probe.err;
    for (const char* part : {"Programs (3)\n  0     First\n  1     Second\n  2     Third\n", "initialDelay  100",
                             "Resonanc", "a label well past eight characters"})
        EXPECT_TRUE(contains(probe.out, part)) << part << "\n" << probe.out;

    const Outcome missing = run({"info", nullEntryFile()});
    EXPECT_EQ(missing.code, kExitFailure);
    EXPECT_TRUE(contains(missing.err, "returned no effect")) << missing.err;
}

TEST(HostCommandLine, RenderWithSettingsAndVerboseLog)
{
    ScratchFile out("cli.wav");
    const Outcome result = run({"render", "--plugin", probeFile(), out.path(), "--set", "Mode=Gamma", "--set=Gain=-5",
                            "--tempo", "120", "--tail", "0.5", "--block", "100", "--verbose"});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    EXPECT_TRUE(contains(result.out, "Set Mode = Gamma (normalised 1.000000)\n")) << result.out;
    EXPECT_TRUE(contains(result.out, "Set Gain = -5.0 dB (normalised 0.750000)\n")) << result.out;
    EXPECT_TRUE(contains(result.out, "Latency of 100 frames compensated")) << result.out;
    EXPECT_TRUE(contains(result.err, "audioMasterVersion")) << result.err;
    // One question a block: 6 s of demo, 0.5 s of tail and 100 frames of
    // latency make 286750 frames, 2868 blocks of at most 100.
    EXPECT_TRUE(contains(result.err, "audioMasterGetTime: 2868\n")) << result.err;
    AudioData data;
    std::string error;
    ASSERT_TRUE(readAudioFile(out.path(), data, error)) << error;
    EXPECT_EQ(data.frames(), static_cast<int64_t>(6.5 * 44100));

    const Outcome bad = run({"render", out.path(), "--set", "Feedback=lots"});
    EXPECT_EQ(bad.code, kExitFailure);
    EXPECT_TRUE(contains(bad.err, "\"lots\" is not a value of \"Feedback\"")) << bad.err;
}

TEST(HostCommandLine, BenchPrintsFactorsAndRatios)
{
    const Outcome result = run({"bench", "--set", "Feedback=50", "--plugin", parfelleFile(), "--plugin", parfelleFile(),
                            "--set", "Delay Time=2", "--seconds", "0.5", "--block", "256", "--silence"});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    // The common setting reaches both; the later one only the second.
    EXPECT_EQ(countOf(result.out, "Set Feedback = 50.00 % (normalised 0.500000)\n"), 2u) << result.out;
    EXPECT_EQ(countOf(result.out, "Set Delay Time = 2.000 seconds"), 1u) << result.out;
    EXPECT_EQ(countOf(result.out, "(" + parfelleFile() + ")\n"), 2u) << result.out;
    EXPECT_TRUE(contains(result.out, "  noise:   0.5 s of audio in ")) << result.out;
    EXPECT_TRUE(contains(result.out, "  silence: 0.5 s of audio in ")) << result.out;
    EXPECT_TRUE(contains(result.out, "Against Parfelle")) << result.out;
}
