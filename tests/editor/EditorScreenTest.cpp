// The whole editor as a user sees it: the effect's own editor opened in a
// host's window, frames read back from the render thread, pixels probed at
// places worked out from the panel's layout.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "TestHostWindow.h"
#include "editor/HaldParfelleView.h"
#include "editor/RenderTask.h"
#include "effect/HaldParfelle.h"
#include "gui/Modifiers.h"
#include "gui/UIWindow.h"

namespace {

constexpr int kWidth = 770;
constexpr int kHeight = 315;
constexpr int kTimeout = 10000;

struct Frame
{
    std::vector<unsigned char> rgba;
    // (x, y) in window units: origin bottom-left, as the frame is stored.
    test_host::Pixel at(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }
    int brightness(int x, int y) const
    {
        const test_host::Pixel p = at(x, y);
        return p[0] + p[1] + p[2];
    }
};

const test_host::Pixel kBackground{51, 51, 0};  // (0.2, 0.2, 0)

class EditorScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.ok()) << "no host window (is DISPLAY set?)";
        view()->open(host.handle());
        ASSERT_NE(view()->window(), nullptr);
    }
    void TearDown() override { view()->close(); }

    HaldParfelleView* view() { return static_cast<HaldParfelleView*>(effect.getEditor()); }
    Frame frame()
    {
        Frame screen;
        EXPECT_TRUE(HD::captureNextFrame(view()->window(), screen.rgba, kTimeout));
        if (screen.rgba.size() != static_cast<size_t>(kWidth * kHeight * 4)) screen.rgba.assign(kWidth * kHeight * 4, 0);
        return screen;
    }

    test_host::HostWindow host;
    HaldParfelle effect{nullptr};
};

}  // namespace

TEST_F(EditorScreen, PanelBackgroundOutlinesAndStatusBand)
{
    const Frame screen = frame();
    // Gaps between the groups of the top row and under the second row.
    for (const auto& place : {std::array<int, 2>{111, 40}, {221, 40}, {461, 40}, {300, 100}, {200, 140}})
        EXPECT_EQ(screen.at(place[0], place[1]), kBackground) << place[0] << "," << place[1];
    // The "Delay" group's frame runs up its left side at x 10 and along its
    // bottom at y 10; "Filter" ends at x 454.
    auto lit = [&](int x, int y) { return screen.at(x, y) != kBackground; };
    EXPECT_TRUE(lit(10, 30) || lit(9, 30)) << "left edge of Delay";
    EXPECT_TRUE(lit(50, 10) || lit(50, 9)) << "bottom edge of Delay";
    EXPECT_TRUE(lit(454, 30) || lit(453, 30)) << "right edge of Filter";
    // Inside the frame, away from knobs, text and outline: the panel colour.
    EXPECT_EQ(screen.at(57, 45), kBackground);
    // The status band from y 290: (0.9, 0.9, 0.9, 0.1) over the panel.
    EXPECT_EQ(screen.at(400, 292), (test_host::Pixel{69, 69, 23}));
    EXPECT_EQ(screen.at(400, 287), kBackground);
}

TEST_F(EditorScreen, KnobPointersFollowHostChangesAfterIdle)
{
    // "Feedback" sits at x 44 in "Delay" (offset 20, 20): its disc is centred
    // at (79, 40) with radius 15; the pointer spike is brightest towards the
    // rim, at -135 degrees for 0 and +135 degrees for 1, clockwise from up.
    const double radius = 15.0 * 0.8;
    const int leftX = static_cast<int>(std::lround(79 - radius * std::sin(2.356194)));
    const int rightX = static_cast<int>(std::lround(79 + radius * std::sin(2.356194)));
    const int lowY = static_cast<int>(std::lround(40 + radius * std::cos(2.356194)));

    effect.setParameter(kFeedback, 1.0f);
    view()->idle();
    frame();  // the angle reaches the vertices at the next frame
    const Frame full = frame();
    effect.setParameter(kFeedback, 0.0f);
    const Frame before = frame();
    view()->idle();
    frame();
    const Frame empty = frame();

    EXPECT_GT(full.brightness(rightX, lowY), full.brightness(leftX, lowY) + 60);
    EXPECT_GT(empty.brightness(leftX, lowY), empty.brightness(rightX, lowY) + 60);
    // Before the idle call the knob had not moved.
    EXPECT_GT(before.brightness(rightX, lowY), before.brightness(leftX, lowY) + 60);
}

TEST_F(EditorScreen, DraggingAKnobChangesTheEffect)
{
    effect.setParameter(kFeedback, 0.2f);
    view()->idle();
    HD::UIWindow* window = view()->window();
    // Press on the knob, move 100 units up (pixels count from the top).
    ASSERT_TRUE(window->beginDrag(HD::Point{79, 40}, 0));
    window->gesture().event(HD::DragEvent::Moved, 79, kHeight - 140, 0);
    window->gesture().event(HD::DragEvent::Released, 79, kHeight - 140, 0);
    window->gesture().end();
    EXPECT_NEAR(effect.getValue(kFeedback), 70.0f, 1e-3);
    // With Shift from the start, a tenth of that.
    effect.setParameter(kFeedback, 0.2f);
    view()->idle();
    ASSERT_TRUE(window->beginDrag(HD::Point{79, 40}, HD::ModifierShift));
    window->gesture().event(HD::DragEvent::Released, 79, kHeight - 140, HD::ModifierShift);
    window->gesture().end();
    EXPECT_NEAR(effect.getValue(kFeedback), 25.0f, 1e-3);
}

TEST_F(EditorScreen, StatusLineNamesWhatIsUnderThePointer)
{
    const Frame idle = frame();
    auto textIn = [](const Frame& s, int x0, int x1) {
        int differing = 0;
        for (int y = 291; y < 305; ++y)
            for (int x = x0; x < x1; ++x) differing += s.at(x, y) != s.at(x0 - 1 < 0 ? 0 : 400, 292);
        return differing;
    };
    EXPECT_EQ(textIn(idle, 440, 700), 0) << "no status text with nothing under the pointer";

    view()->window()->updateHover(HD::Point{79, 40});  // the Feedback knob
    frame();
    const Frame feedback = frame();
    EXPECT_GT(textIn(feedback, 470, 540), 20) << "the name, ending at 540";
    EXPECT_GT(textIn(feedback, 550, 590), 20) << "the value from 550";
    EXPECT_GT(textIn(feedback, 590, 610), 5) << "the label % from 590";

    view()->window()->updateHover(HD::Point{724, 105});  // the LFO Sync "Zero" button
    frame();
    const Frame zero = frame();
    EXPECT_GT(textIn(zero, 500, 600), 20) << "the description from 500";
    EXPECT_EQ(textIn(zero, 440, 499), 0);
}
