// The command line end to end: in-process through runHost on every target,
// and on Linux also the built executable, for its real exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "HostTestSupport.h"
#include "tools/HostCommand.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

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

#if defined(PARFELLE_HOST_EXE)
namespace {
// Runs the built executable with arguments (each quoted), output to a file.
int runExecutable(const std::string& arguments, const std::string& outputPath)
{
    const std::string command = "\"" + std::string(PARFELLE_HOST_EXE) + "\" " + arguments + " >" + outputPath + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(HostExecutable, ExitCodesAndTheDefaultPlugin)
{
    ScratchFile log("exe.log");
    ScratchFile out("exe.flac");
    // No plug-in named: the Parfelle build beside the executable.
    EXPECT_EQ(runExecutable("render '" + out.path() + "' --set 'Delay Time=0.75' --tail 1", log.path()), 0);
    AudioData data;
    std::string error;
    ASSERT_TRUE(readAudioFile(out.path(), data, error)) << error;
    EXPECT_EQ(data.frames(), 7 * 44100);
    EXPECT_EQ(data.channels, 2);

    EXPECT_EQ(runExecutable("info host-test-absent.so", log.path()), 1);
    EXPECT_EQ(runExecutable("render", log.path()), 2);
    EXPECT_EQ(runExecutable("render '" + out.path() + "' --set 'Nothing=1'", log.path()), 1);
}

// What --verbose shows a user turning a knob of the editor: the executable on
// the test's X server, and a real pointer drag (xdotool) up "Feedback" from
// its default 70 % by 10 and then 20 pixels.
TEST(HostExecutable, EditorVerboseLogsAKnobDragAsOneEdit)
{
    ScratchFile log("editor-verbose.log");
    ScratchFile shot("editor-verbose.png");
    const std::string command = "( \"" + std::string(PARFELLE_HOST_EXE) + "\" editor --verbose --screenshot '" +
                                shot.path() + "' --after 4 >" + log.path() +
                                " 2>&1 & xdotool search --sync --name '^Parfelle$' sleep 1.5"
                                " mousemove --window %1 79 278 mousedown 1 mousemove --window %1 79 268"
                                " mousemove --window %1 79 258 mouseup 1; wait ) >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::FILE* file = std::fopen(log.path().c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);

    const size_t begin = text.find("plug-in request: audioMasterBeginEdit (index 1, value 0)\n");
    const size_t first = text.find("plug-in request: audioMasterAutomate (index 1, value 0.75)\n");
    const size_t last = text.find("plug-in request: audioMasterAutomate (index 1, value 0.8)\n");
    const size_t end = text.find("plug-in request: audioMasterEndEdit (index 1, value 0)\n");
    const size_t refresh = text.find("plug-in request: audioMasterUpdateDisplay", end == std::string::npos ? 0 : end);
    ASSERT_NE(begin, std::string::npos) << text;
    ASSERT_NE(last, std::string::npos) << text;
    ASSERT_NE(end, std::string::npos) << text;
    // The first move may come merged with the second; the order may not change.
    if (first != std::string::npos) {
        EXPECT_LT(first, last) << text;
    }
    EXPECT_LT(begin, last) << text;
    EXPECT_LT(last, end) << text;
    EXPECT_NE(refresh, std::string::npos) << text;
    EXPECT_EQ(text.find("audioMasterBeginEdit", last), std::string::npos) << "one edit only\n" << text;
}
#endif
