// The smaller pieces of the host: the progress bar's line, the info
// listing's descriptions, the demo signal and the bench's bookkeeping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "HostTestSupport.h"
#include "tools/Bench.h"
#include "tools/DemoSignal.h"
#include "tools/PluginInfo.h"
#include "tools/Progress.h"

using namespace host;
using namespace host_test;

TEST(ProgressLine, FillsInProportionAndFitsTheTerminal)
{
    // 80 columns: the label, " [", 50 cells, "] ", the percentage.
    EXPECT_EQ(ProgressBar::line("Go", 0, 200, 80), "Go [" + std::string(50, ' ') + "]   0%");
    EXPECT_EQ(ProgressBar::line("Go", 100, 200, 80),
              "Go [" + std::string(25, '#') + std::string(25, ' ') + "]  50%");
    EXPECT_EQ(ProgressBar::line("Go", 250, 200, 80), "Go [" + std::string(50, '#') + "] 100%");
    // Narrow: the bar shrinks so the line stays within columns - 1.
    const std::string narrow = ProgressBar::line("Rendering", 1, 3, 30);
    EXPECT_EQ(narrow, "Rendering [####        ]  33%");
    EXPECT_EQ(narrow.size(), 29u);
    // Too narrow for a bar at all.
    EXPECT_EQ(ProgressBar::line("Rendering", 1, 2, 20), "Rendering  50%");
}

TEST(ProgressLine, QuietForShortRunsAndWithoutATerminal)
{
    std::ostringstream terminal;
    {
        ProgressBar bar(&terminal, 80, 100, "Rendering");
        for (int i = 0; i <= 100; ++i) bar.update(i);
    }
    EXPECT_EQ(terminal.str(), "");
    ProgressBar none(nullptr, 80, 100, "Rendering");
    none.update(50);
    none.finish();
}

TEST(InfoDescriptions, FourCharacterCodesFlagsAndCategories)
{
    // 'V' 's' 't' 'P' = 0x56 0x73 0x74 0x50.
    EXPECT_EQ(describeFourCC(0x56737450), "'VstP' (1450406992)");
    EXPECT_EQ(describeFourCC(0x01020304), "16909060");
    EXPECT_EQ(describeFourCC(-1), "-1");

    EXPECT_EQ(describeEffectFlags(0x11), "0x00000011 HasEditor CanReplacing");
    EXPECT_EQ(describeEffectFlags(0x1331), "0x00001331 HasEditor CanReplacing ProgramChunks IsSynth NoSoundInStop "
                                           "CanDoubleReplacing");
    EXPECT_EQ(describeEffectFlags(0x400 | 0x8), "0x00000408 CanMono and unknown bits 0x400");
    EXPECT_EQ(describeEffectFlags(0), "0x00000000");

    EXPECT_STREQ(categoryName(1), "Effect");
    EXPECT_STREQ(categoryName(6), "RoomFx");
    EXPECT_STREQ(categoryName(11), "Generator");
    EXPECT_STREQ(categoryName(12), "(not known)");
    EXPECT_STREQ(categoryName(-1), "(not known)");
}

TEST(DemoSignal, MusicalShapeAndLevel)
{
    const AudioData demo = makeDemoSignal(44100);
    ASSERT_EQ(demo.channels, 2);
    ASSERT_EQ(demo.frames(), 6 * 44100);
    float peak = 0.0f;
    bool channelsDiffer = false;
    for (int64_t i = 0; i < demo.frames(); ++i) {
        ASSERT_TRUE(std::isfinite(demo.at(i, 0)) && std::isfinite(demo.at(i, 1)));
        peak = std::max({peak, std::fabs(demo.at(i, 0)), std::fabs(demo.at(i, 1))});
        channelsDiffer = channelsDiffer || demo.at(i, 0) != demo.at(i, 1);
    }
    EXPECT_NEAR(peak, 0.7f, 1e-6f);
    EXPECT_TRUE(channelsDiffer) << "the notes are panned";

    // A click on each of the first eight beats (every 0.5 s). Clicks are
    // broadband and the plucked notes tonal, so the sample-to-sample change
    // shows the clicks: it is far larger in the 5 ms after a beat than in
    // the 5 ms before it.
    auto change = [&demo](double start) {
        double sum = 0.0;
        const auto first = static_cast<int64_t>(start * 44100);
        for (int64_t i = first; i < first + 220; ++i)
            for (int c = 0; c < 2; ++c) sum += std::pow(demo.at(i + 1, c) - demo.at(i, c), 2.0);
        return std::sqrt(sum / 440.0);
    };
    for (int beat = 1; beat < 8; ++beat) EXPECT_GT(change(beat * 0.5), 4.0 * change(beat * 0.5 - 0.005)) << beat;
    auto rms = [&demo](double start, double seconds) {
        double sum = 0.0;
        const auto first = static_cast<int64_t>(start * 44100);
        const auto count = static_cast<int64_t>(seconds * 44100);
        for (int64_t i = first; i < first + count; ++i)
            sum += demo.at(i, 0) * demo.at(i, 0) + demo.at(i, 1) * demo.at(i, 1);
        return std::sqrt(sum / static_cast<double>(2 * count));
    };
    // It fades out.
    EXPECT_LT(rms(5.95, 0.05), 0.1 * rms(0.0, 0.05));
    EXPECT_EQ(demo.at(demo.frames() - 1, 0), 0.0f);

    // The same every time, and as long at any rate.
    EXPECT_EQ(makeDemoSignal(44100).samples, demo.samples);
    EXPECT_EQ(makeDemoSignal(96000).frames(), 6 * 96000);
}

TEST(BenchRun, MeasuresEachPluginAndBothPhases)
{
    BenchOptions options;
    options.plugins = {{parfelleFile(), {{"Delay Time", "0.5"}}}, {probeFile(), {}}};
    options.seconds = 0.25;
    options.blockSize = 300;
    options.silencePhase = true;
    std::vector<BenchResult> results;
    std::ostringstream report;
    std::string error;
    ASSERT_TRUE(runBench(options, results, report, error)) << error;
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].name, "Parfelle");
    EXPECT_EQ(results[1].name, "Probe");
    EXPECT_EQ(report.str(), "Parfelle:\nSet Delay Time = 0.500 seconds (normalised 0.016667)\n");
    for (const BenchResult& result : results) {
        // 11025 frames; the time is whatever it is, but it was measured.
        EXPECT_DOUBLE_EQ(result.audioSeconds, 0.25);
        EXPECT_GT(result.noiseWallSeconds, 0.0);
        EXPECT_GT(result.silenceWallSeconds, 0.0);
        EXPECT_DOUBLE_EQ(result.noiseFactor(), 0.25 / result.noiseWallSeconds);
    }

    std::ostringstream printed;
    printBenchResults(results, printed);
    EXPECT_NE(printed.str().find("Against Parfelle (realtime factor ratio; above 1 is faster):\n  Probe: "),
              std::string::npos)
        << printed.str();

    options.plugins = {{noEntryFile(), {}}};
    EXPECT_FALSE(runBench(options, results, report, error));
    EXPECT_NE(error.find("exports neither"), std::string::npos) << error;
}
