// The effect's answers to the framework's queries: value strings, property
// 33's naming band, the live properties for the editor, and the editor hook.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "effect/HaldParfelle.h"
#include "framework/HaldEditor.h"

namespace {

class EffectTest : public ::testing::Test
{
protected:
    // Property 33 for a value of "Filter Type"; "" when there is no name.
    std::string filterTypeName(float value, int32_t* result = nullptr)
    {
        ParameterStringRequest request{kFilterType, &value, nullptr};
        const int32_t status = effect->getProperty(kPropertyParameterStringFromValue, 0, 0, &request);
        if (result) *result = status;
        if (!request.string) return "";
        std::string text = request.string->text();
        EXPECT_GE(request.string->retainCount(), 2);  // the cache's and ours
        CFRelease(request.string);
        return text;
    }

    std::unique_ptr<HaldParfelle> effect = std::make_unique<HaldParfelle>(nullptr);
};

}  // namespace

TEST_F(EffectTest, FilterTypeNamesOnlyNearWholeValues)
{
    int32_t result = -1;
    EXPECT_EQ(filterTypeName(2.996f, &result), "High");
    EXPECT_EQ(result, kResultOk);
    EXPECT_EQ(filterTypeName(2.994f, &result), "");
    EXPECT_EQ(result, kResultOk);
    EXPECT_EQ(filterTypeName(4.0f), "Thru");
    EXPECT_EQ(filterTypeName(0.004f), "Thru");
    EXPECT_EQ(filterTypeName(1.0f), "Low");
    EXPECT_EQ(filterTypeName(2.0f), "Band");
    EXPECT_EQ(filterTypeName(1.5f), "");
    // Beyond the named range there is nothing to call it.
    EXPECT_EQ(filterTypeName(5.0f), "");
    EXPECT_EQ(filterTypeName(-1.0f), "");
    EXPECT_EQ(filterTypeName(-0.004f), "Thru");  // rounds to 0, within the band
    EXPECT_EQ(filterTypeName(1e30f), "");

    // Null value pointer: the current value.
    effect->setValue(kFilterType, 3.0f);
    ParameterStringRequest current{kFilterType, nullptr, reinterpret_cast<CFString*>(1)};
    EXPECT_EQ(effect->getProperty(kPropertyParameterStringFromValue, 0, 0, &current), kResultOk);
    ASSERT_NE(current.string, nullptr);
    EXPECT_STREQ(current.string->text(), "High");
    CFRelease(current.string);

    // Any other parameter: invalid, and the request stays as it was.
    CFString* marker = reinterpret_cast<CFString*>(0x10);
    ParameterStringRequest other{kFilterQ, nullptr, marker};
    EXPECT_EQ(effect->getProperty(kPropertyParameterStringFromValue, 0, 0, &other), kResultInvalidParameter);
    EXPECT_EQ(other.string, marker);
}

TEST_F(EffectTest, BeatDivisorValueStrings)
{
    for (int parameter : {kBeatDivisor, kLfoBeatDivisor}) {
        CFArray* list = nullptr;
        ASSERT_EQ(effect->getParameterValueStrings(0, parameter, &list), kResultOk);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), 6);
        const char* expected[] = {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32"};
        for (int i = 0; i < 6; ++i) EXPECT_STREQ(static_cast<CFString*>(list->at(i))->text(), expected[i]);
        CFRelease(list);
    }
    CFArray* list = nullptr;
    EXPECT_EQ(effect->getParameterValueStrings(0, kBeats, &list), kResultInvalidParameter);
    EXPECT_EQ(effect->getParameterValueStrings(1, kBeatDivisor, &list), kResultInvalidParameter);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(effect->getParameterValueStrings(0, kLfoBeatDivisor, nullptr), kResultOk);
}

TEST_F(EffectTest, PropertyInfoAndUnknownProperties)
{
    uint32_t size = 0;
    bool writable = true;
    ASSERT_EQ(effect->getPropertyInfo(kPropertyWaveformColumns, 0, 0, &size, &writable), kResultOk);
    EXPECT_EQ(size, sizeof(void*));
    EXPECT_FALSE(writable);
    ASSERT_EQ(effect->getPropertyInfo(kPropertyDisplayState, 0, 0, &size, &writable), kResultOk);
    EXPECT_EQ(size, 24u);
    ASSERT_EQ(effect->getPropertyInfo(kPropertyParameterStringFromValue, 0, 0, &size, &writable), kResultOk);
    EXPECT_EQ(size, sizeof(ParameterStringRequest));
    EXPECT_EQ(sizeof(ParameterStringRequest), sizeof(void*) == 4 ? 12u : 24u);

    size = 77;
    writable = true;
    for (int32_t property : {0, 32, 34, 64000, 64002, 64004, -1}) {
        EXPECT_EQ(effect->getPropertyInfo(property, 0, 0, &size, &writable), kResultInvalidProperty);
        int data = 0;
        EXPECT_EQ(effect->getProperty(property, 0, 0, &data), kResultInvalidProperty);
        EXPECT_EQ(effect->setProperty(property, 0, 0, &data, 4), kResultInvalidProperty);
    }
    EXPECT_EQ(size, 77u);
    EXPECT_TRUE(writable);
    EXPECT_EQ(effect->setProperty(kPropertyDisplayState, 0, 0, nullptr, 0), kResultInvalidProperty);
}

TEST_F(EffectTest, FreshDisplayStateAndWaveform)
{
    unsigned char words[24];
    std::memset(words, 0xEE, sizeof words);
    ASSERT_EQ(effect->getProperty(kPropertyDisplayState, 0, 0, words), kResultOk);
    for (unsigned char byte : words) EXPECT_EQ(byte, 0);
    DisplayState state;
    std::memset(&state, 0xEE, sizeof state);
    effect->getDisplayState(&state);
    EXPECT_EQ(std::memcmp(&state, words, sizeof words), 0);

    WaveformColumnsAddress address = nullptr;
    ASSERT_EQ(effect->getProperty(kPropertyWaveformColumns, 0, 0, &address), kResultOk);
    ASSERT_EQ(address, effect->waveformColumns());
    for (int column = 0; column < 256; ++column) {
        EXPECT_EQ(address[column * 4 + 0].load(), static_cast<float>(column));
        EXPECT_EQ(address[column * 4 + 1].load(), 0.0f);
        EXPECT_EQ(address[column * 4 + 2].load(), static_cast<float>(column));
        EXPECT_EQ(address[column * 4 + 3].load(), 0.0f);
    }
}

namespace {

struct RecordingView : HaldEditor
{
    using HaldEditor::HaldEditor;
    void parameterChanged(int index, float value) override
    {
        lastIndex = index;
        lastValue = value;
        ++calls;
    }
    int lastIndex = -1;
    float lastValue = 0;
    int calls = 0;
};

struct ViewedEffect : HaldParfelle
{
    explicit ViewedEffect(RecordingView*& view) : HaldParfelle(nullptr)
    {
        view = new RecordingView(this);
        setEditor(view);
    }
};

void listener(void*, HaldAuBase*, int32_t, uint32_t, uint32_t) {}
void otherListener(void*, HaldAuBase*, int32_t, uint32_t, uint32_t) {}

}  // namespace

TEST(EffectFramework, HostChangesReachTheEditorInUnits)
{
    RecordingView* view = nullptr;
    ViewedEffect effect(view);
    effect.setParameter(kFilterCutoff, 1.0f);
    EXPECT_EQ(view->calls, 1);
    EXPECT_EQ(view->lastIndex, kFilterCutoff);
    EXPECT_FLOAT_EQ(view->lastValue, 12000.0f);
    EXPECT_FLOAT_EQ(effect.getValue(kFilterCutoff), 12000.0f);
    effect.setParameter(kBeats, 0.5f);
    EXPECT_FLOAT_EQ(view->lastValue, 9.0f);
}

TEST(EffectFramework, PropertyListenersAreKeptAndRemoved)
{
    HaldParfelle effect(nullptr);
    int context = 0;
    EXPECT_EQ(effect.addPropertyListener(kPropertyDisplayState, listener, &context), kResultOk);
    EXPECT_EQ(effect.addPropertyListener(kPropertyDisplayState, listener, nullptr), kResultOk);
    EXPECT_EQ(effect.addPropertyListener(kPropertyDisplayState, otherListener, nullptr), kResultOk);
    EXPECT_EQ(effect.addPropertyListener(kPropertyWaveformColumns, listener, nullptr), kResultOk);
    EXPECT_EQ(effect.listenerCount(), 4u);
    EXPECT_EQ(effect.removePropertyListener(kPropertyDisplayState, listener), kResultOk);
    EXPECT_EQ(effect.listenerCount(), 2u);
    EXPECT_EQ(effect.removePropertyListener(kPropertyDisplayState, listener), kResultOk);
    EXPECT_EQ(effect.listenerCount(), 2u);
}

TEST(EffectFramework, EveryProgramStartsWithTheTableDefaults)
{
    HaldParfelle effect(nullptr);
    for (int p = 0; p < 8; ++p) {
        EXPECT_STREQ(effect.program(p)->getName(), "Defaults");
        for (int i = 0; i < kParfelleParameterCount; ++i)
            EXPECT_EQ(effect.program(p)->getValue(i), kParfelleParameters[i].defaultValue);
    }
    HaldProgramBasic program(kParfelleParameterCount);
    program.setName("0123456789012345678901234567890123456789");
    EXPECT_STREQ(program.getName(), "0123456789012345678901234567890");
    program.setName(nullptr);
    EXPECT_STREQ(program.getName(), "");
}
