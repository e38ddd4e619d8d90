// What a host hears of the user's edits in the editor: a knob's gesture as
// begin edit, each new value as automation, end edit, then the refresh; the
// host answering with the same value; the open answer; and a real pointer
// drag on the opened editor (Linux: XTest; Windows: window messages).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

#include "EditorFixture.h"
#include "PreferenceSandbox.h"
#include "support/TestHostWindow.h"
#include "editor/HaldParfelleView.h"
#include "gui/Control.h"
#include "gui/Modifiers.h"
#include "gui/UIWindow.h"
#include "platform/ChildWindow.h"

namespace {

using Request = RecordingHost::Request;

struct Expected
{
    int32_t opcode;
    int32_t index;
    float value;
};

constexpr int32_t kBegin = audioMasterBeginEdit;
constexpr int32_t kAutomate = audioMasterAutomate;
constexpr int32_t kEnd = audioMasterEndEdit;
constexpr int32_t kRefresh = audioMasterUpdateDisplay;

// The requests in order, automation values within a float's rounding, all
// from this (the user-interface) thread.
void expectRequests(const std::vector<Request>& got, const std::vector<Expected>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].opcode, want[i].opcode) << "request " << i;
        EXPECT_EQ(got[i].index, want[i].index) << "request " << i;
        EXPECT_NEAR(got[i].value, want[i].value, 1e-5f) << "request " << i;
        EXPECT_EQ(got[i].thread, std::this_thread::get_id()) << "request " << i;
    }
}

struct AutomationRig
{
    test_preferences::Sandbox preferences;  // before the effect and its editor
    RecordedEffect recorded;

    HaldParfelle& effect() { return recorded.effect; }
    RecordingHost& host() { return recorded.host; }
    HaldParfelleView* view() { return static_cast<HaldParfelleView*>(effect().getEditor()); }
    HD::UIWindow* window() { return view()->window(); }

    // The middle of the parameter's knob, in whole window units (y up), as
    // the platform reports a press.
    HD::Point knobCentre(int index)
    {
        const HD::BoundingBox box = HD::windowBounds(window()->binding.controls(index).front());
        return {std::floor(box.centreX()), std::floor(box.centreY())};
    }

    // What the user does after the press: the pointer's height in window
    // units above the press, and the keys held.
    struct Step
    {
        HD::DragEvent event;
        float up;
        int modifiers;
    };

    // Press at `at` (window units, y up) and go through the steps, the last a
    // release; the platform reports rows from the top.
    void gesture(HD::Point at, int modifiers, const std::vector<Step>& steps)
    {
        HD::DragGesture& g = window()->gesture();
        ASSERT_TRUE(window()->beginDrag(at, modifiers));
        for (const Step& step : steps) {
            const int row = 315 - static_cast<int>(at.y + step.up);
            if (step.event == HD::DragEvent::Released)
                EXPECT_FALSE(g.event(step.event, static_cast<int>(at.x), row, step.modifiers));
            else
                ASSERT_TRUE(g.event(step.event, static_cast<int>(at.x), row, step.modifiers));
        }
        g.end();
    }
};

}  // namespace

// One edit per row, in order on one open editor: each starts where the rows
// before left things. "Feedback" is 0..100, linear, from its default 70:
// every 10 units up is 0.05, or 0.005 with Shift.
TEST(Automation, EachEditIsHeardAsBeginTheNewValuesEndThenTheRefresh)
{
    using Step = AutomationRig::Step;
    constexpr auto kMoved = HD::DragEvent::Moved;
    constexpr auto kReleased = HD::DragEvent::Released;
    constexpr auto kKeys = HD::DragEvent::ModifiersChanged;
    const int shift = HD::ModifierShift;
    const float unchecked = -1.0f;
    struct Row
    {
        const char* what;
        int parameter;   // whose knob is pressed (unless at is given), whose plain value is then `value`
        HD::Point at;    // where the press lands, if not on the knob
        float setFirst;  // the parameter's normalised value set before, unless unchecked
        int modifiers;   // held at the press
        std::vector<Step> steps;
        std::vector<Expected> heard;
        float value;
    };
    const Row rows[] = {
        // The repeated row changes nothing and is not sent; the release where
        // the last move was neither.
        {"a knob dragged up and back", kFeedback, {}, unchecked, 0,
         {{kMoved, 10, 0}, {kMoved, 20, 0}, {kMoved, 20, 0}, {kMoved, 10, 0}, {kReleased, 10, 0}},
         {{kBegin, kFeedback, 0}, {kAutomate, kFeedback, 0.75f}, {kAutomate, kFeedback, 0.8f},
          {kAutomate, kFeedback, 0.75f}, {kEnd, kFeedback, 0}, {kRefresh, 0, 0}}, 75.0f},
        // Restarts the knob's gesture but not the edit: 0.75 + 10 x 0.005,
        // then 20 units at 0.0005 from there.
        {"Shift pressed in mid-drag", kFeedback, {}, unchecked, 0,
         {{kMoved, 10, 0}, {kKeys, 10, shift}, {kReleased, 30, shift}},
         {{kBegin, kFeedback, 0}, {kAutomate, kFeedback, 0.8f}, {kAutomate, kFeedback, 0.81f},
          {kEnd, kFeedback, 0}, {kRefresh, 0, 0}}, 81.0f},
        {"Alt's reset to the default", kFeedback, {}, 0.2f, HD::ModifierAlt, {{kReleased, 0, HD::ModifierAlt}},
         {{kBegin, kFeedback, 0}, {kAutomate, kFeedback, 0.7f}, {kEnd, kFeedback, 0}, {kRefresh, 0, 0}}, 70.0f},
        {"a switch's click turns it on", kTriplet, {}, unchecked, 0, {{kReleased, 0, 0}},
         {{kBegin, kTriplet, 0}, {kAutomate, kTriplet, 1.0f}, {kEnd, kTriplet, 0}, {kRefresh, 0, 0}}, 1.0f},
        {"and off again", kTriplet, {}, unchecked, 0, {{kReleased, 0, 0}},
         {{kBegin, kTriplet, 0}, {kAutomate, kTriplet, 0.0f}, {kEnd, kTriplet, 0}, {kRefresh, 0, 0}}, 0.0f},
        // "Beats" is no switch: the click holds and lets go.
        {"a click that changes nothing", kBeats, {}, unchecked, 0, {{kReleased, 0, 0}},
         {{kBegin, kBeats, 0}, {kEnd, kBeats, 0}, {kRefresh, 0, 0}}, unchecked},
        // A one-shot trigger, not recorded.
        {"the Sync group's Zero button", kResync, {479 + 245, 20 + 15}, unchecked, 0, {{kReleased, 0, 0}},
         {{kRefresh, 0, 0}}, 1.0f},
    };

    AutomationRig rig;
    rig.view()->open(nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.setFirst != unchecked) {
            rig.effect().setParameter(row.parameter, row.setFirst);
            rig.view()->idle();
        }
        rig.host().forget();
        rig.gesture(row.at.x > 0 ? row.at : rig.knobCentre(row.parameter), row.modifiers, row.steps);
        expectRequests(rig.host().requests(), row.heard);
        if (row.value != unchecked) {
            EXPECT_NEAR(rig.effect().getValue(row.parameter), row.value, 1e-3f);
        }
    }
}

TEST(Automation, AHostAnsweringWithTheSameValueMovesNothingAndHearsNothingBack)
{
    AutomationRig rig;
    rig.view()->open(nullptr);
    int answers = 0;
    // As a host recording in touch mode does: the value comes straight back.
    rig.host().answer = [&](AEffect* record, const Request& request) {
        if (request.opcode != kAutomate) return;
        ++answers;
        record->setParameter(record, request.index, request.value);
    };
    HD::Control* feedback = rig.window()->binding.controls(kFeedback).front();
    const HD::Point centre = rig.knobCentre(kFeedback);
    HD::DragGesture& g = rig.window()->gesture();
    ASSERT_TRUE(rig.window()->beginDrag(centre, 0));
    for (int step = 1; step <= 4; ++step) {
        ASSERT_TRUE(g.event(HD::DragEvent::Moved, static_cast<int>(centre.x),
                            315 - static_cast<int>(centre.y + 10 * step), 0));
        rig.view()->idle();
        EXPECT_NEAR(feedback->value(), 0.7f + 0.05f * step, 1e-5f) << "step " << step;
    }
    EXPECT_FALSE(g.event(HD::DragEvent::Released, static_cast<int>(centre.x), 315 - static_cast<int>(centre.y + 40), 0));
    g.end();
    rig.view()->idle();
    EXPECT_EQ(answers, 4);
    EXPECT_NEAR(feedback->value(), 0.9f, 1e-5f);
    EXPECT_NEAR(rig.effect().getValue(kFeedback), 90.0f, 1e-3f);
    int automations = 0;
    for (const Request& r : rig.host().requests()) automations += r.opcode == kAutomate;
    EXPECT_EQ(automations, 4);
}

// effEditOpen answers 1 only when there is an editor window to show.
TEST(Automation, OpenAnswersWhetherTheEditorsWindowExists)
{
    AutomationRig rig;
    EXPECT_EQ(rig.effect().dispatcher(effEditOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_NE(rig.window(), nullptr);  // the panel is built all the same
    rig.effect().dispatcher(effEditClose, 0, 0, nullptr, 0.0f);

    support::HostWindow host;
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(rig.effect().dispatcher(effEditOpen, 0, 0, host.handle(), 0.0f), 1);
    ASSERT_NE(rig.window(), nullptr);
    EXPECT_NE(rig.window()->childWindow(), nullptr);
    rig.effect().dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
}

// The whole path: the system's pointer events on the opened editor, the
// window's drag, the knob, the host's callback.
TEST(Automation, ARealPointerDragOnTheOpenedEditorReachesTheHostInOrder)
{
    AutomationRig rig;
    support::HostWindow host;
    ASSERT_TRUE(host.ok());
    ASSERT_EQ(rig.effect().dispatcher(effEditOpen, 0, 0, host.handle(), 0.0f), 1);
    const HD::Point centre = rig.knobCentre(kFeedback);
    const int x = static_cast<int>(centre.x);
    const int y = 315 - static_cast<int>(centre.y);  // pixel rows from the top
    host.move(x, y);
    host.press(1);
    for (int up : {10, 20, 40}) host.move(x, y - up);
    host.release(1);
    host.perform(rig.window());
    for (int i = 0; i < 500 && !rig.host().heard(kRefresh); ++i) {
        rig.effect().dispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::vector<Request> got = rig.host().requests();
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got.front().opcode, kBegin);
    EXPECT_EQ(got.front().index, kFeedback);
    // Moves may come merged: the values rise, and the last is 40 units up.
    float last = 0.7f;
    for (size_t i = 1; i + 2 < got.size(); ++i) {
        EXPECT_EQ(got[i].opcode, kAutomate) << "request " << i;
        EXPECT_EQ(got[i].index, kFeedback);
        EXPECT_GT(got[i].value, last);
        last = got[i].value;
    }
    EXPECT_NEAR(last, 0.9f, 1e-5f);
    EXPECT_EQ(got[got.size() - 2].opcode, kEnd);
    EXPECT_EQ(got[got.size() - 2].index, kFeedback);
    EXPECT_EQ(got.back().opcode, kRefresh);
    for (const Request& r : got) EXPECT_EQ(r.thread, std::this_thread::get_id());
    EXPECT_NEAR(rig.effect().getValue(kFeedback), 90.0f, 1e-3f);
    rig.effect().dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
}
