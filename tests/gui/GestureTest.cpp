// The press-and-drag gesture from synthetic events: which calls an element
// gets, in which order, at which points, with which keys, and what happens
// around them (flushes of the binding, the active index, the host's display
// refresh). The window has no system window here; WindowTest drives the
// same gesture through the system.
#include <gtest/gtest.h>

#include "GestureRig.h"
#include "gui/DragGesture.h"
#include "gui/Modifiers.h"

using namespace gesture;
using HD::DragEvent;
using HD::ModifierAlt;
using HD::ModifierControl;
using HD::ModifierShift;

namespace {

// A 200 x 100 editor (bottom = 100: window y = 100 - pixel y) with one
// element over x 50..150, y 20..80.
struct GestureFixture : ::testing::Test
{
    GestureFixture()
        : owner(&effect, nullptr), window(&owner, rectangle(0, 0, 200, 100), nullptr, nullptr),
          element(new RecordingElement(&window, 50, 20, 150, 80))
    {
        HD::addChild(window.root, element);
        displayRefreshes = 0;
    }

    bool move(int x, int y, int keys = 0) { return window.gesture().event(DragEvent::Moved, x, y, keys); }

    CountingEffect effect;
    HostedOwner owner;
    HD::UIWindow window;
    RecordingElement* element;  // owned by the window
};

TEST_F(GestureFixture, APressWhereNoElementIsStartsNothing)
{
    EXPECT_FALSE(window.beginDrag({10, 10}, 0));
    EXPECT_FALSE(window.gesture().active());
    EXPECT_FALSE(move(60, 50));
    window.gesture().end();
    EXPECT_TRUE(element->calls.empty());
    EXPECT_EQ(window.activeIndex.load(), -1);
    EXPECT_EQ(displayRefreshes.load(), 0);
}

TEST_F(GestureFixture, PressDragsAndReleaseInOrder)
{
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_EQ(window.gesture().element(), element);
    EXPECT_EQ(window.activeIndex.load(), rig::kLevel);  // the control's own mouseDown

    EXPECT_TRUE(move(70, 60));  // y 100 - 60
    EXPECT_TRUE(move(75, 55));
    // The release is a last drag at its position; the gesture is over but
    // its end waits for the platform to give the pointer back.
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 80, 90, 0));
    EXPECT_EQ(element->calls.back(), drag(80, 10));
    EXPECT_EQ(displayRefreshes.load(), 0);

    window.gesture().end();
    const std::vector<Record> expected = {down(60, 30), drag(70, 40), drag(75, 45), drag(80, 10), up(80, 10)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window.activeIndex.load(), -1);
    EXPECT_EQ(displayRefreshes.load(), 1);
    EXPECT_FALSE(window.gesture().active());
}

TEST_F(GestureFixture, TheBindingIsFlushedAfterThePressAndEachMoveButNotAtTheRelease)
{
    window.binding.queueChange(rig::kLevel, 0.25f);
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    ASSERT_EQ(element->deliveries.size(), 1u);
    EXPECT_EQ(element->deliveries[0].afterCalls, 1);  // after mouseDown
    EXPECT_EQ(element->deliveries[0].value, 0.25f);

    window.binding.queueChange(rig::kLevel, 0.5f);
    EXPECT_TRUE(move(70, 60));
    ASSERT_EQ(element->deliveries.size(), 2u);
    EXPECT_EQ(element->deliveries[1].afterCalls, 2);  // after the drag
    EXPECT_EQ(element->deliveries[1].value, 0.5f);

    window.binding.queueChange(rig::kLevel, 0.75f);
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 70, 60, 0));
    window.gesture().end();
    EXPECT_EQ(element->deliveries.size(), 2u);  // left for the editor's next idle flush
    window.binding.flushPending();
    ASSERT_EQ(element->deliveries.size(), 3u);
    EXPECT_EQ(element->deliveries[2].value, 0.75f);
}

TEST_F(GestureFixture, ChangedKeysRestartTheGestureAtTheCurrentPoint)
{
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_TRUE(window.gesture().event(DragEvent::ModifiersChanged, 65, 65, ModifierShift));
    EXPECT_EQ(window.activeIndex.load(), rig::kLevel);  // pressed again at once
    EXPECT_TRUE(move(66, 60, ModifierShift));
    EXPECT_TRUE(window.gesture().event(DragEvent::ModifiersChanged, 67, 55, ModifierShift | ModifierControl));
    EXPECT_TRUE(window.gesture().event(DragEvent::ModifiersChanged, 68, 50, 0));
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 69, 45, 0));
    window.gesture().end();

    const int sc = ModifierShift | ModifierControl;
    const std::vector<Record> expected = {
        down(60, 30),
        up(65, 35), down(65, 35, ModifierShift), drag(65, 35, ModifierShift),
        drag(66, 40, ModifierShift),
        up(67, 45, ModifierShift), down(67, 45, sc), drag(67, 45, sc),
        up(68, 50, sc), down(68, 50), drag(68, 50),
        drag(69, 55),
        up(69, 55),
    };
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window.activeIndex.load(), -1);
}

TEST_F(GestureFixture, KeysHeldAtThePressGoWithEveryCall)
{
    ASSERT_TRUE(window.beginDrag({100, 50}, ModifierAlt));
    EXPECT_TRUE(move(101, 50, ModifierAlt));
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 102, 50, ModifierAlt));
    window.gesture().end();
    const std::vector<Record> expected = {down(100, 50, ModifierAlt), drag(101, 50, ModifierAlt),
                                          drag(102, 50, ModifierAlt), up(102, 50, ModifierAlt)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(GestureFixture, AFailureEndsTheGestureAtTheLastKnownPoint)
{
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_TRUE(move(70, 60));
    // A failed wait has no position of its own: no drag, and the end comes
    // at the last point reported.
    EXPECT_FALSE(window.gesture().event(DragEvent::Failed, 999, 999, 0));
    window.gesture().end();
    const std::vector<Record> expected = {down(60, 30), drag(70, 40), up(70, 40)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window.activeIndex.load(), -1);
    EXPECT_EQ(displayRefreshes.load(), 1);
}

TEST_F(GestureFixture, AFailureRightAfterThePressEndsAtThePressPoint)
{
    ASSERT_TRUE(window.beginDrag({60, 30}, ModifierShift));
    EXPECT_FALSE(window.gesture().event(DragEvent::Failed, 0, 0, 0));
    window.gesture().end();
    const std::vector<Record> expected = {down(60, 30, ModifierShift), up(60, 30, ModifierShift)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(GestureFixture, DraggingPastTheLeftAndBottomEdgesGivesNegativeCoordinates)
{
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_TRUE(move(-20, 115));  // 20 left of the window, 15 below it
    // Positions arrive as 16-bit words (Windows packs them so): 0xFFEC is -20.
    EXPECT_TRUE(move(0xFFEC, 0x10000 + 130));
    // Past the right and top edges for completeness.
    EXPECT_TRUE(move(230, -10));
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, -5, 101, 0));
    window.gesture().end();
    const std::vector<Record> expected = {down(60, 30),  drag(-20, -15), drag(-20, -30),
                                          drag(230, 110), drag(-5, -1),   up(-5, -1)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(GestureFixture, TheScaleActsOnTheDistanceFromThePressPoint)
{
    window.scale = 2.0f;
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_TRUE(move(60, 70));  // at the press point: no jump
    EXPECT_TRUE(move(80, 50));  // 20 right, 20 up: 10 and 10 at scale 2
    EXPECT_TRUE(move(40, 90));  // 20 left, 20 down
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 60, 70, 0));
    window.gesture().end();
    const std::vector<Record> expected = {down(60, 30), drag(60, 30), drag(70, 40),
                                          drag(50, 20), drag(60, 30), up(60, 30)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(GestureFixture, NothingReachesTheElementAfterTheGestureIsOver)
{
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 70, 60, 0));
    EXPECT_FALSE(move(80, 60));
    EXPECT_FALSE(window.gesture().event(DragEvent::Failed, 0, 0, 0));
    window.gesture().end();
    window.gesture().end();
    EXPECT_FALSE(move(90, 60));
    const std::vector<Record> expected = {down(60, 30), drag(70, 40), up(70, 40)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(displayRefreshes.load(), 1);
}

TEST_F(GestureFixture, TheElementPressedGetsEverythingWhereverThePointerGoes)
{
    auto* other = new RecordingElement(&window, 160, 20, 190, 80);
    HD::addChild(window.root, other);
    ASSERT_TRUE(window.beginDrag({60, 30}, 0));
    EXPECT_TRUE(move(170, 50));  // over the other element
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 175, 50, 0));
    window.gesture().end();
    EXPECT_TRUE(other->calls.empty());
    EXPECT_EQ(element->calls.size(), 4u);

    // The next press over the other element goes to it.
    ASSERT_TRUE(window.beginDrag({170, 50}, 0));
    EXPECT_EQ(window.gesture().element(), other);
    EXPECT_FALSE(window.gesture().event(DragEvent::Released, 170, 50, 0));
    window.gesture().end();
    const std::vector<Record> expected = {down(170, 50), drag(170, 50), up(170, 50)};
    EXPECT_EQ(other->calls, expected);
}

TEST_F(GestureFixture, HoverEntersAndLeavesOnlyWhenTheElementUnderThePointerChanges)
{
    auto* other = new RecordingElement(&window, 160, 20, 190, 80);
    HD::addChild(window.root, other);
    window.updateHover({60, 30});
    window.updateHover({61, 31});
    EXPECT_EQ(window.hoverElement.load(), element);
    window.updateHover({170, 30});
    window.updateHover({10, 10});  // nothing here
    EXPECT_EQ(window.hoverElement.load(), nullptr);
    window.updateHover({70, 30});
    EXPECT_EQ(element->calls, (std::vector<Record>{enter(), leave(), enter()}));
    EXPECT_EQ(other->calls, (std::vector<Record>{enter(), leave()}));
}

}  // namespace
