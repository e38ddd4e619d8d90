// The plug-in as a host sees it: the exported entry points, the record and
// every opcode of the dispatcher, through the built library.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <atomic>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/plugin/LoadedPlugin.h"

namespace {

class PluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(plugin.loaded()) << plugin.error();
        ASSERT_NE(plugin.open(log), nullptr);
    }

    float parameter(int index) { return plugin.effect->getParameter(plugin.effect, index); }
    void setParameter(int index, float value) { plugin.effect->setParameter(plugin.effect, index, value); }

    HostLog log;
    LoadedPlugin plugin;
};

constexpr int32_t fourCC(const char* s)
{
    return static_cast<int32_t>((static_cast<uint32_t>(s[0]) << 24) | (static_cast<uint32_t>(s[1]) << 16) |
                                (static_cast<uint32_t>(s[2]) << 8) | static_cast<uint32_t>(s[3]));
}

// A buffer with a guard pattern, to see how many bytes a call wrote.
struct GuardedText
{
    GuardedText() { std::memset(bytes, 0x5A, sizeof bytes); }
    int written() const
    {
        int last = -1;
        for (int i = 0; i < static_cast<int>(sizeof bytes); ++i)
            if (static_cast<unsigned char>(bytes[i]) != 0x5A) last = i;
        return last + 1;
    }
    char bytes[128];
};

}  // namespace

TEST(PluginEntry, BothExportsExistAndRefuseAHostWithoutVersion)
{
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    VstPluginMainProc vstMain = plugin.entry("VSTPluginMain");
    VstPluginMainProc legacyMain = plugin.entry("main");
    ASSERT_NE(vstMain, nullptr);
    ASSERT_NE(legacyMain, nullptr);

    HostLog log;
    log.versionAnswer = 0;
    setCurrentHostLog(&log);
    EXPECT_EQ(vstMain(recordingHost), nullptr);
    EXPECT_EQ(legacyMain(recordingHost), nullptr);
    // The version is the first and only thing asked.
    EXPECT_EQ(log.requests, (std::vector<int32_t>{audioMasterVersion, audioMasterVersion}));
    EXPECT_EQ(vstMain(nullptr), nullptr);

    log.versionAnswer = 2400;
    AEffect* effect = legacyMain(recordingHost);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0), 1);
}

TEST_F(PluginTest, RecordFields)
{
    const AEffect& e = *plugin.effect;
    EXPECT_EQ(e.magic, 0x56737450);
    EXPECT_EQ(e.numPrograms, 8);
    EXPECT_EQ(e.numParams, 21);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.flags, 17);
    EXPECT_EQ(e.uniqueID, fourCC("VeDi"));
    EXPECT_EQ(e.version, 1);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.realQualities, 0);
    EXPECT_EQ(e.offQualities, 0);
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_FLOAT_EQ(e.ioRatio, 1.0f);
    EXPECT_EQ(e.user, nullptr);
    EXPECT_NE(e.object, nullptr);
    for (char c : e.future) EXPECT_EQ(c, 0);
    EXPECT_NE(e.dispatcher, nullptr);
    EXPECT_NE(e.process, nullptr);
    EXPECT_NE(e.processReplacing, nullptr);
    EXPECT_NE(e.processDoubleReplacing, nullptr);
    EXPECT_NE(e.setParameter, nullptr);
    EXPECT_NE(e.getParameter, nullptr);
}

TEST_F(PluginTest, IdentityOpcodes)
{
    EXPECT_EQ(plugin.text(effGetEffectName), "Parfelle");
    EXPECT_EQ(plugin.text(effGetVendorString), "Haldrane");
    EXPECT_EQ(plugin.text(effGetProductString), "Parfelle");
    EXPECT_EQ(plugin.dispatch(effGetEffectName, 0, 0, nullptr), 0);
    char name[64];
    EXPECT_EQ(plugin.dispatch(effGetEffectName, 0, 0, name), 1);
    EXPECT_EQ(plugin.dispatch(effGetVendorString, 0, 0, name), 1);
    EXPECT_EQ(plugin.dispatch(effGetProductString, 0, 0, name), 1);
    EXPECT_EQ(plugin.dispatch(effGetVendorVersion), 131074);
    EXPECT_EQ(plugin.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin.dispatch(effGetPlugCategory), 1);
    EXPECT_EQ(plugin.dispatch(effIdentify), 1316373862);
    EXPECT_EQ(plugin.dispatch(effGetTailSize), 0);
}

TEST_F(PluginTest, UnsupportedAndNeutralOpcodes)
{
    char text[64] = "receiveVstMidiEvent";
    EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, text), 0);
    std::strcpy(text, "bypass");
    EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, text), 0);
    EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, nullptr), 0);

    EXPECT_EQ(plugin.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin.dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(plugin.dispatch(effCanBeAutomated, 3), 1);

    void* chunk = reinterpret_cast<void*>(1);
    EXPECT_EQ(plugin.dispatch(effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, 16, text), 0);

    // effGetSpeakerArrangement clears both pointers it is given.
    void* input = text;
    void* output = text;
    EXPECT_EQ(plugin.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(plugin.dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);

    // Everything else answers 0, including numbers the interface never had.
    const int32_t zeros[] = {effOpen, effSetBlockSize, effMainsChanged, effEditClose, effEditIdle, effGetVu,
                             effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep, effProcessEvents,
                             effString2Parameter, effGetInputProperties, effGetOutputProperties, effOfflineNotify,
                             effOfflinePrepare, effOfflineRun, effProcessVarIo, effSetSpeakerArrangement,
                             effSetBypass, effVendorSpecific, effGetParameterProperties, effEditKeyDown,
                             effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName, effGetMidiProgramCategory,
                             effHasMidiProgramsChanged, effGetMidiKeyName, effBeginSetProgram, effEndSetProgram,
                             effShellGetNextPlugin, effStartProcess, effStopProcess, effSetPanLaw,
                             effBeginLoadBank, effBeginLoadProgram, effSetProcessPrecision,
                             effGetNumMidiInputChannels, effGetNumMidiOutputChannels, 80, 200, -1};
    for (int32_t opcode : zeros) EXPECT_EQ(plugin.dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
    EXPECT_EQ(plugin.dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);  // none of them changed the program
    // No MIDI is asked for on resume.
    for (int32_t request : log.requests) EXPECT_NE(request, audioMasterWantMidi);
}

TEST_F(PluginTest, EditorOpcodes)
{
    ERect* rect = nullptr;
    EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->right - rect->left, 770);
    EXPECT_EQ(rect->bottom - rect->top, 315);
    EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, nullptr), 0);
    // A parent that is no window: no editor window, so open answers 0; close
    // and idle are harmless.
    int parent = 0;
    EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, &parent), 0);
    EXPECT_EQ(plugin.dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin.dispatch(effEditClose), 0);
}

TEST_F(PluginTest, ProgramsAndTheirNames)
{
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin.text(effGetProgramName), "Defaults");
    for (int i = 0; i < 8; ++i) {
        char name[64] = {};
        EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, i, -1, name), 1);
        EXPECT_STREQ(name, "Defaults");
    }
    GuardedText untouched;
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 8, 0, untouched.bytes), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, -1, 0, untouched.bytes), 0);
    EXPECT_EQ(untouched.written(), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

    // Selection: out-of-range numbers are ignored.
    plugin.dispatch(effSetProgram, 0, 7);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 7);
    plugin.dispatch(effSetProgram, 0, 8);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 7);
    plugin.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 7);

    // Names: a long name keeps 31 characters inside; a host reads at most
    // the interface's 24 bytes of it.
    plugin.dispatch(effSetProgram, 0, 2);
    char longName[] = "0123456789abcdefghijklmnopqrstuvwxyzABCD";  // 40 characters
    plugin.dispatch(effSetProgramName, 0, 0, longName);
    GuardedText read;
    plugin.dispatch(effGetProgramName, 0, 0, read.bytes);
    EXPECT_STREQ(read.bytes, "0123456789abcdefghijklm");
    EXPECT_LE(read.written(), kVstMaxProgNameLen);
    char indexed[64];
    plugin.dispatch(effGetProgramNameIndexed, 2, 0, indexed);
    EXPECT_STREQ(indexed, "0123456789abcdefghijklm");
    plugin.dispatch(effGetProgramNameIndexed, 1, 0, indexed);
    EXPECT_STREQ(indexed, "Defaults");
    EXPECT_EQ(plugin.dispatch(effSetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgramName, 0, 0, nullptr), 0);
}

TEST_F(PluginTest, ProgramsKeepTheirOwnValues)
{
    plugin.dispatch(effSetProgram, 0, 3);
    setParameter(1, 0.25f);  // Feedback 25 %
    EXPECT_EQ(plugin.text(effGetParamDisplay, 1), "25.00");
    plugin.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 1), "70.00");
    EXPECT_FLOAT_EQ(parameter(1), 0.7f);
    plugin.dispatch(effSetProgram, 0, 3);
    EXPECT_FLOAT_EQ(parameter(1), 0.25f);
}

TEST_F(PluginTest, ParameterNamesLabelsAndDefaults)
{
    struct Row
    {
        const char* name;
        const char* label;
        const char* display;
        float normalised;
    };
    // Defaults mapped by hand: e.g. Filter Cutoff 1000 Hz on 50..12000 Hz is
    // ln(20)/ln(240); Filter Q 0.1 on 0.01..1 is 0.09/0.99.
    const Row rows[21] = {
        {"Delay Time", "seconds", "1.000", 1.0f / 30.0f},
        {"Feedback", "%", "70.00", 0.7f},
        {"Dry Level", "", "1.000", 1.0f},
        {"Effect Level", "", "1.000", 1.0f},
        {"Re-Sync", "", "Off", 0.0f},
        {"Host Tempo", "", "Off", 0.0f},
        {"Beats", "beats", "4.000", 3.0f / 15.0f},
        {"Beat Divisor", "", "1/4", 0.4f},
        {"Triplet", "", "Off", 0.0f},
        {"Filter Cutoff", "Hz", "1000", static_cast<float>(std::log(20.0) / std::log(240.0))},
        {"Filter Q", "", "0.100", 0.09f / 0.99f},
        {"Filter Type", "", "Thru", 0.0f},
        {"Saturation Amou", "", "0.000", 0.0f},
        {"Saturation Shap", "", "1.000", 1.0f},
        {"Filter LFO Spee", "Hz", "0.200", static_cast<float>(std::log(4.0) / std::log(400.0))},
        {"Filter LFO Amou", "", "0.000", 0.5f},
        {"LFO Re-Sync", "", "Off", 0.0f},
        {"LFO Host Tempo", "", "Off", 0.0f},
        {"LFO Beats", "beats", "4.000", 3.0f / 15.0f},
        {"LFO Beat Diviso", "", "1/4", 0.4f},
        {"LFO Triplet", "", "Off", 0.0f},
    };
    for (int i = 0; i < 21; ++i) {
        SCOPED_TRACE(rows[i].name);
        GuardedText name;
        plugin.dispatch(effGetParamName, i, 0, name.bytes);
        EXPECT_STREQ(name.bytes, rows[i].name);
        EXPECT_EQ(name.written(), 16);  // always 16 bytes, zero-filled
        EXPECT_EQ(plugin.text(effGetParamLabel, i), rows[i].label);
        EXPECT_EQ(plugin.text(effGetParamDisplay, i), rows[i].display);
        EXPECT_NEAR(parameter(i), rows[i].normalised, 1e-6);
    }
}

TEST_F(PluginTest, ValueTextsThroughTheHostMapping)
{
    setParameter(9, 1.0f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 9), "12000");
    setParameter(9, 0.5f);  // 50 * sqrt(240) = 774.60
    EXPECT_EQ(plugin.text(effGetParamDisplay, 9), "774.6");
    setParameter(6, 0.5f);  // 1 + 7.5 = 8.5 rounds up to 9
    EXPECT_EQ(plugin.text(effGetParamDisplay, 6), "9.000");
    EXPECT_NEAR(parameter(6), 8.0f / 15.0f, 1e-6);
    setParameter(6, 0.49f);  // 8.35 rounds to 8
    EXPECT_EQ(plugin.text(effGetParamDisplay, 6), "8.000");
    setParameter(7, 0.55f);  // 2.75 rounds to 3: the fourth string
    EXPECT_EQ(plugin.text(effGetParamDisplay, 7), "1/8");
    setParameter(5, 0.3f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 5), "On");
    EXPECT_FLOAT_EQ(parameter(5), 0.3f);
    setParameter(5, 0.01f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 5), "On");
    setParameter(11, 0.749f);  // 2.996: named
    EXPECT_EQ(plugin.text(effGetParamDisplay, 11), "High");
    setParameter(11, 0.7485f);  // 2.994: no name, the number
    EXPECT_EQ(plugin.text(effGetParamDisplay, 11), "2.994");
    setParameter(11, 0.001f);  // 0.004
    EXPECT_EQ(plugin.text(effGetParamDisplay, 11), "Thru");
    setParameter(0, -0.1f);  // -3 seconds: extrapolated, negative uses three decimals
    EXPECT_EQ(plugin.text(effGetParamDisplay, 0), "-3.000");
    EXPECT_NEAR(parameter(0), -0.1f, 1e-6);
    setParameter(1, 0.3f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 1), "30.00");
}

TEST_F(PluginTest, BadHostValuesAndIndicesAreHarmless)
{
    // Indices outside 0..20: nothing written but an empty text, 0 returned.
    for (int32_t index : {-1, 21, 1000, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(index);
        for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            GuardedText text;
            EXPECT_EQ(plugin.dispatch(opcode, index, 0, text.bytes), 0);
            EXPECT_EQ(text.bytes[0], 0);
            EXPECT_EQ(text.written(), 1);
        }
        setParameter(index, 0.5f);
        EXPECT_EQ(parameter(index), 0.0f);
    }
    for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        EXPECT_EQ(plugin.dispatch(opcode, 0, 0, nullptr), 0);

    // Values that are not numbers are ignored.
    setParameter(1, std::numeric_limits<float>::quiet_NaN());
    setParameter(1, std::numeric_limits<float>::infinity());
    EXPECT_FLOAT_EQ(parameter(1), 0.7f);

    // Finite values far outside 0..1 stay legal and their texts fit 24 bytes.
    for (int index = 0; index < 21; ++index) {
        for (float value : {1e30f, -1e30f, 3.0e38f, -7.5f, 2.0f}) {
            setParameter(index, value);
            GuardedText text;
            plugin.dispatch(effGetParamDisplay, index, 0, text.bytes);
            EXPECT_LE(text.written(), 24) << "parameter " << index << " value " << value;
            EXPECT_GT(std::strlen(text.bytes), 0u);
        }
    }
    // A list value past its strings shows the number instead.
    setParameter(7, 2.0f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 7), "10.00000");
    setParameter(7, -0.4f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 7), "-2.00000");
    setParameter(9, 2.0f);  // 50 * 240^2 = 2880000 Hz
    EXPECT_EQ(plugin.text(effGetParamDisplay, 9), "2880000");
    setParameter(0, 1e30f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 0), "3e+31");
}

TEST_F(PluginTest, SampleRateAndProcessingSurviveHostMistakes)
{
    // Rates that are not finite and positive are ignored; good ones kept.
    for (float rate : {0.0f, -48000.0f, std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), 48000.0f})
        EXPECT_EQ(plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate), 0);
    EXPECT_EQ(plugin.dispatch(effSetBlockSize, 0, 8192), 0);
    plugin.dispatch(effMainsChanged, 0, 1);

    std::vector<float> left(16, 0.25f), right(16, -0.25f), outLeft(16, 9.0f), outRight(16, 9.0f);
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    // A negative frame count processes nothing.
    plugin.effect->processReplacing(plugin.effect, inputs, outputs, -5);
    EXPECT_EQ(outLeft[0], 9.0f);
    plugin.effect->processReplacing(plugin.effect, nullptr, outputs, 16);
    plugin.effect->processReplacing(plugin.effect, inputs, nullptr, 16);
    EXPECT_EQ(outLeft[0], 9.0f);
    plugin.effect->processReplacing(plugin.effect, inputs, outputs, 0);
    plugin.effect->processReplacing(plugin.effect, inputs, outputs, 16);
    for (float v : outLeft) EXPECT_TRUE(std::isfinite(v));
    // The double-precision and accumulating entries leave the buffers alone.
    double dl[4] = {7, 7, 7, 7}, dr[4] = {7, 7, 7, 7};
    double* dOut[] = {dl, dr};
    plugin.effect->processDoubleReplacing(plugin.effect, dOut, dOut, 4);
    EXPECT_EQ(dl[0], 7.0);
    std::vector<float> acc(16, 3.0f);
    float* accOut[] = {acc.data(), acc.data()};
    plugin.effect->process(plugin.effect, inputs, accOut, 16);
    EXPECT_EQ(acc[0], 3.0f);
    plugin.dispatch(effMainsChanged, 0, 0);
}

// The list parameters' value texts asked for from three threads at once, as
// a host and the editor do: the host's user-interface thread and a reader
// standing for the editor's render thread (its status line) read them while
// the host's automation thread changes them. The "Filter Type" texts are
// shared cached strings, counted by every reader. Every text read must be
// one of the parameter's own; under ThreadSanitizer any unguarded count or
// string fails the run.
TEST_F(PluginTest, ListValueTextsAreSafeFromEveryThreadThatAsks)
{
    struct List
    {
        int index;
        int steps;  // whole values 0..steps
        std::set<std::string> texts;
    };
    const std::vector<List> lists = {{11, 4, {"Thru", "Low", "Band", "High"}},
                                     {7, 5, {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32"}},
                                     {19, 5, {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32"}}};
    constexpr int kRounds = 3000;
    std::atomic<bool> go{false};
    std::atomic<int> strangers{0};
    auto read = [&](int offset) {
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < kRounds; ++i) {
            const List& list = lists[static_cast<size_t>((i + offset) % 3)];
            char text[64] = {};
            plugin.effect->dispatcher(plugin.effect, effGetParamDisplay, list.index, 0, text, 0.0f);
            if (!list.texts.count(text)) ++strangers;
        }
    };
    std::thread automation([&] {
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < kRounds; ++i) {
            const List& list = lists[static_cast<size_t>(i % 3)];
            setParameter(list.index, static_cast<float>(i % (list.steps + 1)) / static_cast<float>(list.steps));
        }
    });
    std::thread render(read, 1);
    go = true;
    read(2);
    render.join();
    automation.join();
    EXPECT_EQ(strangers.load(), 0);
}
