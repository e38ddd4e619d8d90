// The editor view as the host drives it: the panel it builds, its layout,
// the buttons, preferences it reads, and parameter changes from the host.
// The window here has no system window (no parent), so no frame is drawn;
// the render thread's own tests cover drawing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "PreferenceSandbox.h"
#include "editor/DivuRevu.h"
#include "editor/HaldParfelleView.h"
#include "editor/WaveformDisplay.h"
#include "effect/HaldParfelle.h"
#include "framework/CFString.h"
#include "framework/Preferences.h"
#include "gui/Button.h"
#include "gui/Group.h"
#include "gui/UIWindow.h"

namespace {

struct ViewRig
{
    test_preferences::Sandbox preferences;  // before the effect and its editor
    HaldParfelleView* view() { return static_cast<HaldParfelleView*>(effect.getEditor()); }
    HaldParfelle effect{nullptr, HaldParfelleView::create};
};

HD::BoundingBox boxOf(HD::UIElement* element) { return HD::windowBounds(element); }

void expectBox(HD::UIElement* element, float x0, float y0, float x1, float y1)
{
    const HD::BoundingBox box = boxOf(element);
    EXPECT_FLOAT_EQ(box.minX, x0);
    EXPECT_FLOAT_EQ(box.minY, y0);
    EXPECT_FLOAT_EQ(box.maxX, x1);
    EXPECT_FLOAT_EQ(box.maxY, y1);
}

void setPreference(const char* name, int32_t value)
{
    CFString* string = makeString(name);
    CFRetain(string);
    writePreference(string, value);
    CFRelease(string);
}

}  // namespace

TEST(EditorView, RectangleBeforeAndAfterOpening)
{
    ViewRig rig;
    ERect* rect = nullptr;
    ASSERT_TRUE(rig.view()->getRect(&rect));
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 315);
    EXPECT_EQ(rect->right, 770);
    EXPECT_EQ(rig.view()->window(), nullptr);
    EXPECT_FALSE(rig.view()->open(nullptr));  // a panel, but no system window to show
    ASSERT_NE(rig.view()->window(), nullptr);
    ERect* again = nullptr;
    rig.view()->getRect(&again);
    EXPECT_EQ(again, rect);
    EXPECT_EQ(again->bottom, 315);
    rig.view()->close();
    EXPECT_EQ(rig.view()->window(), nullptr);
}

TEST(EditorView, PanelLayoutFollowsTheRunningRule)
{
    ViewRig rig;
    rig.view()->open(nullptr);
    HD::UIWindow* window = rig.view()->window();
    ASSERT_NE(window, nullptr);

    // The root's children in creation order: the about panel's pointer
    // catcher (hit-tested first, inert while the panel is closed), six
    // groups, the Prefs button, then the product group appended after its
    // own children.
    const std::vector<HD::UIElement*>& all = window->root->children();
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[0]->hitTest(HD::Point{300, 150}), nullptr);
    const std::vector<HD::UIElement*> top(all.begin() + 1, all.end());
    const char* titles[] = {"Delay", "Mix", "Filter", "Sync", "LFO Sync", "LFO"};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(static_cast<HD::NamedGroup*>(top[i])->name, titles[i]);
    EXPECT_STREQ(static_cast<HD::NamedGroup*>(top[7])->name, "Parfelle");

    // Boxes worked out from the knob sizes (30 x 35 with a label), the
    // groups' margin of 10 and the gaps of 15.
    expectBox(top[0], 10, 10, 104, 65);
    expectBox(top[1], 119, 10, 213, 65);
    expectBox(top[2], 228, 10, 454, 65);
    expectBox(top[3], 469, 10, 759, 65);
    expectBox(top[4], 469, 80, 759, 135);
    expectBox(top[5], 360, 80, 454, 135);
    expectBox(top[6], 20, 90, 100, 120);
    expectBox(top[7], 10, 150, 760, 270);

    // Knobs per group, in order, bound to their parameters.
    const std::vector<std::vector<int>> parameters = {
        {kDelayTime, kFeedback}, {kDryLevel, kEffectLevel},
        {kFilterCutoff, kFilterQ, kFilterType, kSaturationAmount, kSaturationShape},
        {kHostTempo, kBeats, kBeatDivisor, kTriplet}, {kLfoHostTempo, kLfoBeats, kLfoBeatDivisor, kLfoTriplet},
        {kLfoSpeed, kLfoAmount}};
    for (size_t g = 0; g < parameters.size(); ++g) {
        const auto& children = static_cast<HD::Group*>(top[g])->children();
        for (size_t k = 0; k < parameters[g].size(); ++k) {
            auto* knob = dynamic_cast<HD::DivuRevu*>(children[k]);
            ASSERT_NE(knob, nullptr) << titles[g] << " child " << k;
            EXPECT_EQ(knob->descriptor().index, parameters[g][k]);
        }
    }
    // The two Zero buttons sit at the right of the sync groups.
    for (int g : {3, 4}) {
        auto* zero = dynamic_cast<HD::DoduVoriro*>(static_cast<HD::Group*>(top[g])->children().back());
        ASSERT_NE(zero, nullptr);
        EXPECT_EQ(zero->label(), "Zero");
        EXPECT_EQ(zero->id(), -3);
    }
    // Every knob of the panel: 19 parameters.
    int knobs = 0;
    for (HD::UIElement* element : window->elements) knobs += dynamic_cast<HD::DivuRevu*>(element) != nullptr;
    EXPECT_EQ(knobs, 19);
}

TEST(EditorView, ZeroButtonsSetTheirTriggersAndDescribeThemselves)
{
    ViewRig rig;
    rig.view()->open(nullptr);
    HD::UIWindow* window = rig.view()->window();
    // The LFO Sync group's Zero button: (469 + 10 + 220 .. 270) x (80 + 10 .. 30).
    const HD::Point point{479 + 245, 90 + 15};
    HD::UIElement* hit = window->root->hitTest(point);
    auto* zero = dynamic_cast<HD::DoduVoriro*>(hit);
    ASSERT_NE(zero, nullptr);
    window->updateHover(point);
    EXPECT_EQ(window->hoverIndex.load(), -3);
    const char* const* table = window->descriptionTable.load();
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(table[-window->hoverIndex.load() - 2], "Re-sync to zero");

    ASSERT_TRUE(window->beginDrag(point, 0));
    EXPECT_FALSE(
        window->gesture().event(HD::DragEvent::Released, static_cast<int>(point.x), 315 - static_cast<int>(point.y), 0));
    window->gesture().end();  // the platform's part once the pointer is given back
    EXPECT_EQ(rig.effect.getValue(kLfoResync), 1.0f);
    EXPECT_EQ(rig.effect.getValue(kResync), 0.0f);
    // The audio thread performs it and writes 0 back.
    std::vector<float> l(64), r(64);
    float* in[] = {l.data(), r.data()};
    rig.effect.processReplacing(in, in, 64);
    EXPECT_EQ(rig.effect.getValue(kLfoResync), 0.0f);
}

TEST(EditorView, GuiScalePreferenceSetsTheDragScale)
{
    ViewRig rig;
    setPreference("GUI scale", 150);
    rig.view()->open(nullptr);
    EXPECT_FLOAT_EQ(rig.view()->window()->scale, 1.5f);
    rig.view()->close();
    setPreference("GUI scale", 100);
    rig.view()->open(nullptr);
    EXPECT_FLOAT_EQ(rig.view()->window()->scale, 1.0f);
    const HD::WindowRect& rect = rig.view()->window()->rectangle();
    EXPECT_EQ(rect.right - rect.left, 770);
    EXPECT_EQ(rect.bottom - rect.top, 315);
}

TEST(EditorView, HostChangesReachTheKnobsAtTheNextIdle)
{
    ViewRig rig;
    rig.view()->open(nullptr);
    HD::UIWindow* window = rig.view()->window();
    auto* feedback = window->binding.controls(kFeedback).front();
    EXPECT_FLOAT_EQ(feedback->value(), 0.7f);  // pushed at the build
    rig.effect.setParameter(kFeedback, 0.3f);
    EXPECT_FLOAT_EQ(feedback->value(), 0.7f);  // not before the idle call
    rig.view()->idle();
    EXPECT_FLOAT_EQ(feedback->value(), 0.3f);

    // The waveform display was handed the effect's columns.
    HD::WaveformDisplay* waveform = nullptr;
    for (HD::UIElement* element : window->elements)
        if (auto* found = dynamic_cast<HD::WaveformDisplay*>(element)) waveform = found;
    ASSERT_NE(waveform, nullptr);
    EXPECT_EQ(waveform->columns(), rig.effect.waveformColumns());

    // A second panel after closing shows the current values.
    rig.effect.setParameter(kFeedback, 0.55f);
    rig.view()->close();
    rig.view()->open(nullptr);
    HD::UIWindow* second = rig.view()->window();
    EXPECT_FLOAT_EQ(second->binding.controls(kFeedback).front()->value(), 0.55f);
}

TEST(EditorView, AudioThreadChangesWhileTheEditorOpensAndCloses)
{
    ViewRig rig;
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        for (int i = 0; !stop.load(); ++i) rig.effect.setParameter(kFeedback, (i % 100) / 100.0f);
    });
    for (int round = 0; round < 20; ++round) {
        rig.view()->open(nullptr);
        rig.view()->idle();
        rig.view()->close();
    }
    stop = true;
    audio.join();
    rig.view()->open(nullptr);
    rig.view()->idle();
    EXPECT_FLOAT_EQ(rig.view()->window()->binding.controls(kFeedback).front()->value(),
                    rig.effect.getParameter(kFeedback));
}
