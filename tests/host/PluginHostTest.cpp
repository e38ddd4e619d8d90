// The host's side of the interface: loading, the answers to the plug-in's
// requests, and the order of the calls it makes.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "HostTestSupport.h"
#include "platform/DynamicModule.h"
#include "tools/PluginHost.h"

using host::PluginHost;
using namespace host_test;

namespace {

// The probe's own record of what it was told, read through a second handle
// on the same module (which also keeps it loaded between the host's uses).
class ProbeLog
{
public:
    ProbeLog()
    {
        std::string path = probeFile();
        EXPECT_TRUE(module_.load(path)) << module_.error();
        read_ = reinterpret_cast<int32_t (*)(int32_t*, int32_t)>(module_.symbol("probeCallLog"));
        reset_ = reinterpret_cast<void (*)()>(module_.symbol("probeResetLog"));
        level_ = reinterpret_cast<intptr_t (*)()>(module_.symbol("probeLastProcessLevel"));
        EXPECT_TRUE(read_ && reset_ && level_);
        if (reset_) reset_();
    }
    std::vector<int32_t> calls() const
    {
        std::vector<int32_t> log(4096);
        const int32_t count = read_ ? read_(log.data(), static_cast<int32_t>(log.size())) : 0;
        log.resize(static_cast<size_t>(count));
        return log;
    }
    intptr_t lastProcessLevel() const { return level_ ? level_() : -1; }

private:
    platform::DynamicModule module_;
    int32_t (*read_)(int32_t*, int32_t) = nullptr;
    void (*reset_)() = nullptr;
    intptr_t (*level_)() = nullptr;
};

void processBlocks(PluginHost& plugin, int blocks, int frames)
{
    std::vector<std::vector<float>> buffers(6, std::vector<float>(static_cast<size_t>(frames), 0.0f));
    float* inputs[2] = {buffers[0].data(), buffers[1].data()};
    float* outputs[4] = {buffers[2].data(), buffers[3].data(), buffers[4].data(), buffers[5].data()};
    for (int b = 0; b < blocks; ++b) plugin.process(inputs, outputs, frames);
}

}  // namespace

TEST(PluginHostLoad, RefusesWhatIsNotAPluginWithAReason)
{
    struct Case
    {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"host-test-no-such-plugin" + parfelleFile(), "no such file"},
        {noEntryFile(), "exports neither VSTPluginMain nor main"},
        {nullEntryFile(), "returned no effect"},
        {badMagicFile(), "wrong magic number (0x4e6f7065)"},  // 'Nope'
        {hugeRecordFile(), "claims 2 inputs and 100000 outputs; at most 256"},
        {"", "no plug-in file given"},
    };
    for (const Case& c : cases) {
        PluginHost plugin;
        std::string error;
        EXPECT_FALSE(plugin.load(c.path, error)) << c.path;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.path << ": " << error;
        EXPECT_FALSE(plugin.isLoaded());
    }
}

TEST(PluginHostLoad, LoadsParfelleThroughItsEntryPoint)
{
    PluginHost plugin;
    std::string error;
    ASSERT_TRUE(plugin.load(parfelleFile(), error)) << error;
    EXPECT_EQ(plugin.effect()->magic, kEffectMagic);
    EXPECT_EQ(plugin.parameterCount(), 21);
    EXPECT_EQ(plugin.inputCount(), 2);
    EXPECT_EQ(plugin.outputCount(), 2);
    plugin.open();
    EXPECT_EQ(plugin.dispatchText(effGetEffectName), "Parfelle");
    EXPECT_EQ(plugin.dispatchText(effGetVendorString), "Haldrane");
    EXPECT_EQ(plugin.parameterName(0), "Delay Time");
    EXPECT_EQ(plugin.parameterLabel(0), "seconds");
    // The entry point asked for the host's version before making its record.
    EXPECT_GE(plugin.requestCount(audioMasterVersion), 1);
}

#if defined(MAIN_ONLY_PLUGIN_FILE)
TEST(PluginHostLoad, FallsBackToTheOldEntryName)
{
    PluginHost plugin;
    std::string error;
    ASSERT_TRUE(plugin.load(MAIN_ONLY_PLUGIN_FILE, error)) << error;
    EXPECT_EQ(plugin.dispatchText(effGetEffectName), "Probe");
}
#endif

TEST(PluginHostAnswers, FixedAnswers)
{
    PluginHost plugin;
    plugin.setSampleRate(48000.0);
    plugin.setBlockSize(256);
    EXPECT_EQ(plugin.answer(audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(plugin.answer(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 48000);
    EXPECT_EQ(plugin.answer(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f), 256);
    char canDo[] = "sendVstTimeInfo";
    EXPECT_EQ(plugin.answer(audioMasterCanDo, 0, 0, canDo, 0.0f), 0);
    EXPECT_EQ(plugin.answer(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f), 1);  // user thread
    EXPECT_EQ(plugin.answer(9999, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(plugin.answer(-5, 0, 0, nullptr, 0.0f), 0);

    EXPECT_EQ(plugin.requestCount(audioMasterUpdateDisplay), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(plugin.answer(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(plugin.requestCount(audioMasterUpdateDisplay), 3);
}

// A knob moved in the editor: heard, counted and, with a log, shown with
// the normalised value the plug-in sent.
TEST(PluginHostAnswers, EditsAreHeardAndLoggedInOrder)
{
    PluginHost plugin;
    std::ostringstream log;
    plugin.setLog(&log);
    EXPECT_EQ(plugin.answer(audioMasterBeginEdit, 3, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(plugin.answer(audioMasterAutomate, 3, 0, nullptr, 0.75f), 1);
    EXPECT_EQ(plugin.answer(audioMasterAutomate, 3, 0, nullptr, 0.5f), 1);
    EXPECT_EQ(plugin.answer(audioMasterEndEdit, 3, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(plugin.requestCount(audioMasterAutomate), 2);
    EXPECT_EQ(log.str(), "plug-in request: audioMasterBeginEdit (index 3, value 0)\n"
                         "plug-in request: audioMasterAutomate (index 3, value 0.75)\n"
                         "plug-in request: audioMasterAutomate (index 3, value 0.5)\n"
                         "plug-in request: audioMasterEndEdit (index 3, value 0)\n");
}

TEST(PluginHostAnswers, NoTimelineWithoutATempo)
{
    PluginHost plugin;
    EXPECT_EQ(plugin.answer(audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f), 0);
    plugin.setTempo(0.0);
    EXPECT_EQ(plugin.answer(audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f), 0);
}

TEST(PluginHostAnswers, TimelineFollowsTheBlocksProcessed)
{
    PluginHost plugin;
    std::string error;
    ASSERT_TRUE(plugin.load(parfelleFile(), error)) << error;
    plugin.setTempo(90.0);
    plugin.open();
    plugin.setSampleRate(48000.0);
    plugin.setBlockSize(512);
    plugin.resume();

    auto ask = [&plugin] {
        return reinterpret_cast<const VstTimeInfo*>(plugin.answer(audioMasterGetTime, 0, 0, nullptr, 0.0f));
    };
    const VstTimeInfo* first = ask();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->samplePos, 0.0);
    EXPECT_TRUE(first->flags & kVstTransportChanged);

    processBlocks(plugin, 100, 512);
    const VstTimeInfo* time = ask();
    ASSERT_NE(time, nullptr);
    // 51200 frames at 48 kHz and 90 BPM: 1.0667 s, 1.6 quarter notes.
    EXPECT_EQ(time->samplePos, 51200.0);
    EXPECT_EQ(time->sampleRate, 48000.0);
    EXPECT_EQ(time->tempo, 90.0);
    EXPECT_NEAR(time->ppqPos, 1.6, 1e-12);
    EXPECT_EQ(time->barStartPos, 0.0);
    EXPECT_EQ(time->timeSigNumerator, 4);
    EXPECT_EQ(time->timeSigDenominator, 4);
    const int32_t wanted = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying | kVstTimeSigValid | kVstBarsValid;
    EXPECT_EQ(time->flags & wanted, wanted);
    EXPECT_FALSE(time->flags & kVstTransportChanged);

    // 3 bars and a bit: 7 * 51200 frames = 11.2 quarter notes.
    processBlocks(plugin, 600, 512);
    EXPECT_NEAR(ask()->ppqPos, 11.2, 1e-12);
    EXPECT_EQ(ask()->barStartPos, 8.0);

    plugin.suspend();
    EXPECT_FALSE(ask()->flags & kVstTransportPlaying);
}

TEST(PluginHostCalls, LifecycleInTheOrderOfARealHost)
{
    ProbeLog log;
    {
        PluginHost plugin;
        std::string error;
        ASSERT_TRUE(plugin.load(probeFile(), error)) << error;
        plugin.open();
        plugin.setSampleRate(44100.0);
        plugin.setBlockSize(64);
        plugin.resume();
        processBlocks(plugin, 3, 64);
        // A second resume or suspend is not passed on.
        plugin.resume();
        plugin.suspend();
        plugin.suspend();
        EXPECT_EQ(log.lastProcessLevel(), 2);  // realtime, while processing
    }
    const std::vector<int32_t> expected = {effOpen,        effSetSampleRate, effSetBlockSize, effMainsChanged,
                                           effStartProcess, -1,               effStopProcess,  effMainsChanged,
                                           effClose};
    EXPECT_EQ(log.calls(), expected);
}

TEST(PluginHostCalls, ClosesAPluginThatWasNeverOpened)
{
    ProbeLog log;
    {
        PluginHost plugin;
        std::string error;
        ASSERT_TRUE(plugin.load(probeFile(), error)) << error;
    }
    EXPECT_EQ(log.calls(), std::vector<int32_t>{effClose});
}

TEST(PluginHostCalls, ProgramChangesAndNames)
{
    PluginHost plugin;
    std::string error;
    ASSERT_TRUE(plugin.load(probeFile(), error)) << error;
    plugin.open();
    EXPECT_EQ(plugin.programCount(), 3);
    plugin.selectProgram(1);
    EXPECT_EQ(plugin.currentProgram(), 1);
    // The probe has no indexed names: the host switches to each and back.
    EXPECT_EQ(plugin.programName(0), "First");
    EXPECT_EQ(plugin.programName(2), "Third");
    EXPECT_EQ(plugin.currentProgram(), 1);
    // A label past the interface's eight characters arrives whole.
    EXPECT_EQ(plugin.parameterLabel(3), "a label well past eight characters");
}

TEST(PluginHostCalls, OutOfRangeParametersAreNotPassedOn)
{
    PluginHost plugin;
    std::string error;
    ASSERT_TRUE(plugin.load(probeFile(), error)) << error;
    plugin.setParameter(1, 0.75f);
    plugin.setParameter(-1, 0.5f);
    plugin.setParameter(5, 0.5f);
    EXPECT_EQ(plugin.parameter(1), 0.75f);
    EXPECT_EQ(plugin.parameter(5), 0.0f);
    EXPECT_EQ(plugin.parameter(-1), 0.0f);
}
