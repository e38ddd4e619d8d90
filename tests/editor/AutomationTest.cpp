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

    // Press, move through the pixel rows given (window units y up turned
    // into the platform's rows from the top), release at the last.
    void gesture(HD::Point at, int modifiers, std::vector<float> ys = {})
    {
        HD::DragGesture& g = window()->gesture();
        ASSERT_TRUE(window()->beginDrag(at, modifiers));
        ys.push_back(ys.empty() ? at.y : ys.back());
        for (size_t i = 0; i + 1 < ys.size(); ++i)
            ASSERT_TRUE(g.event(HD::DragEvent::Moved, static_cast<int>(at.x), 315 - static_cast<int>(ys[i]), modifiers));
        EXPECT_FALSE(g.event(HD::DragEvent::Released, static_cast<int>(at.x), 315 - static_cast<int>(ys.back()),
                             modifiers));
        g.end();
    }
};

}  // namespace

// "Feedback" (0..100, linear) from its default 70: every 10 units up is 0.05.
TEST(Automation, AKnobDragIsOneEditWithEachNewValueThenTheRefresh)
{
    AutomationRig rig;
    rig.view()->open(nullptr);
    const HD::Point centre = rig.knobCentre(kFeedback);
    rig.gesture(centre, 0, {centre.y + 10, centre.y + 20, centre.y + 20, centre.y + 10});
    // The repeated row changes nothing and is not sent; the release where the
    // last move was neither.
    expectRequests(rig.host().requests(), {{kBegin, kFeedback, 0},
                                           {kAutomate, kFeedback, 0.75f},
                                           {kAutomate, kFeedback, 0.8f},
                                           {kAutomate, kFeedback, 0.75f},
                                           {kEnd, kFeedback, 0},
                                           {kRefresh, 0, 0}});
    EXPECT_NEAR(rig.effect().getValue(kFeedback), 75.0f, 1e-3f);

    // Shift pressed in mid-drag restarts the knob's gesture but not the edit.
    rig.host().forget();
    HD::DragGesture& g = rig.window()->gesture();
    ASSERT_TRUE(rig.window()->beginDrag(centre, 0));
    ASSERT_TRUE(g.event(HD::DragEvent::Moved, static_cast<int>(centre.x), 315 - static_cast<int>(centre.y + 10), 0));
    ASSERT_TRUE(g.event(HD::DragEvent::ModifiersChanged, static_cast<int>(centre.x),
                        315 - static_cast<int>(centre.y + 10), HD::ModifierShift));
    EXPECT_FALSE(g.event(HD::DragEvent::Released, static_cast<int>(centre.x), 315 - static_cast<int>(centre.y + 30),
                         HD::ModifierShift));
    g.end();
    // 0.75 + 10 x 0.005, then 20 units at 0.0005 from there.
    expectRequests(rig.host().requests(), {{kBegin, kFeedback, 0},
                                           {kAutomate, kFeedback, 0.8f},
                                           {kAutomate, kFeedback, 0.81f},
                                           {kEnd, kFeedback, 0},
                                           {kRefresh, 0, 0}});
}

TEST(Automation, AltResetAndASwitchsClickAreEditsOfTheirOwnAndTheZeroButtonsAreNot)
{
    AutomationRig rig;
    rig.view()->open(nullptr);
    rig.effect().setParameter(kFeedback, 0.2f);
    rig.view()->idle();
    rig.gesture(rig.knobCentre(kFeedback), HD::ModifierAlt);
    expectRequests(rig.host().requests(),
                   {{kBegin, kFeedback, 0}, {kAutomate, kFeedback, 0.7f}, {kEnd, kFeedback, 0}, {kRefresh, 0, 0}});

    // "Triplet" flips on, then off.
    for (float expected : {1.0f, 0.0f}) {
        rig.host().forget();
        rig.gesture(rig.knobCentre(kTriplet), 0);
        expectRequests(rig.host().requests(),
                       {{kBegin, kTriplet, 0}, {kAutomate, kTriplet, expected}, {kEnd, kTriplet, 0}, {kRefresh, 0, 0}});
        EXPECT_EQ(rig.effect().getValue(kTriplet), expected);
    }

    // A click that changes nothing ("Beats" is no switch) holds and lets go.
    rig.host().forget();
    rig.gesture(rig.knobCentre(kBeats), 0);
    expectRequests(rig.host().requests(), {{kBegin, kBeats, 0}, {kEnd, kBeats, 0}, {kRefresh, 0, 0}});

    // The Sync group's Zero button: a one-shot trigger, not recorded.
    rig.host().forget();
    rig.gesture({479 + 245, 20 + 15}, 0);
    EXPECT_EQ(rig.effect().getValue(kResync), 1.0f);
    expectRequests(rig.host().requests(), {{kRefresh, 0, 0}});
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
    ASSERT_TRUE(host.drag(rig.window()->childWindow()->handle(), x, y, {{x, y - 10}, {x, y - 20}, {x, y - 40}}));
    host.pumpMessages();
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
