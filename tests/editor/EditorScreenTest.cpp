// The whole editor as a user sees it: the effect's own editor opened in a
// host's window, frames read back from the render thread, pixels probed at
// places worked out from the panel's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/WaitUntil.h"
#include "PreferenceSandbox.h"
#include "editor/AboutPanel.h"
#include "editor/HaldParfelleView.h"
#include "editor/RenderTask.h"
#include "effect/HaldParfelle.h"
#include "gui/Modifiers.h"
#include "gui/UIWindow.h"
#include "support/ShownDialog.h"
#include "support/System.h"
#include "support/TestHostWindow.h"

namespace {

constexpr int kWidth = 770;
constexpr int kHeight = 315;
constexpr int kTimeout = support::kEventTimeoutMs;

struct Frame
{
    std::vector<unsigned char> rgba;
    // (x, y) in window units: origin bottom-left, as the frame is stored.
    support::Pixel at(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }
    int brightness(int x, int y) const
    {
        const support::Pixel p = at(x, y);
        return p[0] + p[1] + p[2];
    }
};

const support::Pixel kBackground{51, 51, 0};  // (0.2, 0.2, 0)

constexpr double kPi = 3.14159265358979323846;
using test_preferences::kMissing;
using test_preferences::storedTooltip;

// The brightest direction of a knob's pointer, in degrees clockwise from
// straight up: the summed brightness along each ray through the rim (the
// knob's face is opaque at the centre, its rim shows only the pointer).
double pointerAngle(const Frame& screen, double cx, double cy)
{
    double best = -1.0, bestAngle = 0.0;
    for (int degrees = -180; degrees < 180; degrees += 3) {
        const double a = degrees * kPi / 180.0;
        double sum = 0.0;
        for (double r = 9.0; r <= 13.0; r += 1.0)
            sum += screen.brightness(static_cast<int>(std::lround(cx + r * std::sin(a))),
                                     static_cast<int>(std::lround(cy + r * std::cos(a))));
        if (sum > best) {
            best = sum;
            bestAngle = degrees;
        }
    }
    return bestAngle;
}

// Where a value puts the pointer: 270 degrees from -135.
double angleOf(double normalised) { return -135.0 + 270.0 * normalised; }

// Degrees clockwise from up of (x, y) about a centre, 0..360.
double bearing(double x, double y, double cx, double cy)
{
    double degrees = std::atan2(x - cx, y - cy) * 180.0 / kPi;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

// Deterministic noise in -amplitude..amplitude.
class Noise
{
public:
    float next(float amplitude)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return amplitude * (static_cast<float>(state_ >> 8) / 8388608.0f - 1.0f);
    }

private:
    uint32_t state_ = 12345u;
};

class EditorScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.ok()) << "no host window (is DISPLAY set?)";
        effect.setSampleRate(44100.0f);
        view()->open(host.handle());
        ASSERT_NE(view()->window(), nullptr);
    }
    void TearDown() override
    {
        view()->close();
    }

    HaldParfelleView* view() { return static_cast<HaldParfelleView*>(effect.getEditor()); }
    HD::UIWindow& window() { return *view()->window(); }
    Frame frame()
    {
        Frame screen;
        EXPECT_TRUE(HD::captureNextFrame(view()->window(), screen.rgba, kTimeout));
        if (screen.rgba.size() != static_cast<size_t>(kWidth * kHeight * 4)) screen.rgba.assign(kWidth * kHeight * 4, 0);
        return screen;
    }
    // The frame after count more have been drawn.
    Frame frameAfter(int count)
    {
        for (int i = 0; i < count; ++i) frame();
        return frame();
    }

    // A press and release at a point in window units, as the window
    // delivers them.
    void click(HD::Point at, int modifiers = 0)
    {
        ASSERT_TRUE(window().beginDrag(at, modifiers));
        window().gesture().event(HD::DragEvent::Released, static_cast<int>(at.x), kHeight - static_cast<int>(at.y),
                                 modifiers);
        window().gesture().end();
    }

    // Stereo blocks of noise (or silence) through the effect.
    void process(int frames, float amplitude)
    {
        std::vector<float> left(512), right(512);
        float* channels[] = {left.data(), right.data()};
        while (frames > 0) {
            const int block = frames < 512 ? frames : 512;
            for (int i = 0; i < block; ++i) {
                left[static_cast<size_t>(i)] = noise_.next(amplitude);
                right[static_cast<size_t>(i)] = noise_.next(amplitude);
            }
            effect.processReplacing(channels, channels, block);
            frames -= block;
        }
    }
    DisplayState displayState()
    {
        DisplayState state{};
        effect.getDisplayState(&state);
        return state;
    }

    // Preferences of this test only, made before the editor reads them.
    test_preferences::Sandbox preferences;
    support::HostWindow host;
    HaldParfelle effect{nullptr, HaldParfelleView::create};

private:
    Noise noise_;
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
    EXPECT_EQ(screen.at(400, 292), (support::Pixel{69, 69, 23}));
    EXPECT_EQ(screen.at(400, 287), kBackground);
}

// Every group's outline on its box of the layout, the Prefs button's face
// and the caption over the status band.
TEST_F(EditorScreen, GroupOutlinesPrefsButtonAndCaption)
{
    const Frame screen = frame();
    auto lit = [&](int x, int y) { return screen.at(x, y) != kBackground; };
    struct Box
    {
        const char* name;
        int x0, y0, x1, y1;
    };
    const Box boxes[] = {{"Delay", 10, 10, 104, 65},   {"Mix", 119, 10, 213, 65},
                         {"Filter", 228, 10, 454, 65}, {"Sync", 469, 10, 759, 65},
                         {"LFO", 360, 80, 454, 135},   {"LFO Sync", 469, 80, 759, 135},
                         {"Parfelle", 10, 150, 760, 270}};
    for (const Box& box : boxes) {
        const int midY = (box.y0 + box.y1) / 2, midX = (box.x0 + box.x1) / 2;
        // A line on a pixel boundary lands on either side of it.
        EXPECT_TRUE(lit(box.x0, midY) || lit(box.x0 - 1, midY)) << box.name << " left";
        EXPECT_TRUE(lit(box.x1, midY) || lit(box.x1 - 1, midY)) << box.name << " right";
        EXPECT_TRUE(lit(midX, box.y0) || lit(midX, box.y0 - 1)) << box.name << " bottom";
        EXPECT_TRUE(lit(box.x0 + 12, box.y1) || lit(box.x0 + 12, box.y1 - 1)) << box.name << " top, left of the title";
        EXPECT_EQ(screen.at(box.x0 - 4, midY), kBackground) << box.name << " outside";
    }
    // The Prefs button, (0.3, 0.3, 0.3) at alpha 0.2 over the panel:
    // 0.3 * 0.2 + 0.2 * 0.8 = 0.22 (56.1), blue 0.06 (15.3), away from its label.
    for (const auto& place : {std::array<int, 2>{23, 93}, {97, 117}, {30, 110}}) {
        const support::Pixel p = screen.at(place[0], place[1]);
        EXPECT_NEAR(p[0], 56, 2) << place[0] << "," << place[1];
        EXPECT_NEAR(p[1], 56, 2);
        EXPECT_NEAR(p[2], 15, 2);
    }
    EXPECT_EQ(screen.at(17, 105), kBackground) << "left of the button";
    // The caption, "haldrane : parfelle 2.0.2", over the band left of the status text.
    int caption = 0;
    for (int y = 291; y < 310; ++y)
        for (int x = 30; x < 300; ++x) caption += screen.at(x, y) != screen.at(25, 292);
    EXPECT_GT(caption, 150);
}

TEST_F(EditorScreen, KnobPointersFollowHostChangesAfterIdle)
{
    // "Feedback" sits at x 44 in "Delay" (offset 20, 20): its disc is centred
    // at (79, 40). Minimum, middle and maximum point at -135, 0 and +135
    // degrees, clockwise from straight up.
    for (const float value : {0.0f, 0.5f, 1.0f}) {
        effect.setParameter(kFeedback, value);
        view()->idle();
        const Frame screen = frameAfter(1);  // the angle reaches the vertices at the next frame
        EXPECT_NEAR(pointerAngle(screen, 79, 40), angleOf(value), 6.0) << "Feedback at " << value;
    }
    // A host change shows only after the next idle call.
    effect.setParameter(kFeedback, 0.0f);
    const Frame before = frameAfter(1);
    EXPECT_NEAR(pointerAngle(before, 79, 40), angleOf(1.0), 6.0);
    view()->idle();
    EXPECT_NEAR(pointerAngle(frameAfter(1), 79, 40), angleOf(0.0), 6.0);
}

TEST_F(EditorScreen, AltClickResetsAKnobAndAClickFlipsTriplet)
{
    effect.setParameter(kFeedback, 0.2f);
    view()->idle();
    EXPECT_NEAR(pointerAngle(frameAfter(1), 79, 40), angleOf(0.2), 6.0);
    click(HD::Point{79, 40}, HD::ModifierAlt);
    EXPECT_NEAR(effect.getValue(kFeedback), 70.0f, 1e-4) << "the default";
    view()->idle();
    EXPECT_NEAR(pointerAngle(frameAfter(1), 79, 40), angleOf(0.7), 6.0);

    // "Triplet" in "Sync" (offset 479, 20) at x 132: centred at (626, 40).
    ASSERT_EQ(effect.getValue(kTriplet), 0.0f);
    EXPECT_NEAR(pointerAngle(frameAfter(1), 626, 40), angleOf(0.0), 6.0);
    click(HD::Point{626, 40});
    EXPECT_EQ(effect.getValue(kTriplet), 1.0f);
    view()->idle();
    EXPECT_NEAR(pointerAngle(frameAfter(1), 626, 40), angleOf(1.0), 6.0);
    click(HD::Point{626, 40});
    EXPECT_EQ(effect.getValue(kTriplet), 0.0f);
    view()->idle();
    EXPECT_NEAR(pointerAngle(frameAfter(1), 626, 40), angleOf(0.0), 6.0);
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

// Each "Zero" sets its own trigger; the next block performs it and writes 0 back.
TEST_F(EditorScreen, ZeroButtonsSetTheirTriggers)
{
    click(HD::Point{724, 35});  // "Sync"
    EXPECT_EQ(effect.getValue(kResync), 1.0f);
    EXPECT_EQ(effect.getValue(kLfoResync), 0.0f);
    click(HD::Point{724, 105});  // "LFO Sync"
    EXPECT_EQ(effect.getValue(kLfoResync), 1.0f);
    process(64, 0.0f);
    EXPECT_EQ(effect.getValue(kResync), 0.0f);
    EXPECT_EQ(effect.getValue(kLfoResync), 0.0f);
}

namespace {

// Pixels of a region that differ between two frames.
int differing(const Frame& a, const Frame& b, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) count += a.at(x, y) != b.at(x, y);
    return count;
}

struct DialogSeen
{
    bool found = false;
    std::string version;
    bool flagAfter = true;
    int32_t storedAfter = kMissing;
};

// The dialog a thread shows, driven as a user would: read the version,
// click the check box, then OK.
void driveDialog(support::ThreadToken thread, DialogSeen& seen)
{
    void* dialog = support::waitForDialog(thread);
    if (!dialog) return;
    seen.found = true;
    seen.version = support::dialogText(dialog, 106);
    support::clickDialogButton(dialog, 110);
    seen.flagAfter = HD::floatingTooltipEnabled();
    seen.storedAfter = storedTooltip();
    support::clickDialogButton(dialog, 1);
}

}  // namespace

// The floating tooltip beside a hovered knob while the preference is on;
// "Prefs" opens the dialog, which shows the version, and its check box turns
// the tooltip off and stores the choice.
TEST_F(EditorScreen, PrefsDialogShowsTheVersionAndItsCheckBoxHidesTheTooltip)
{
    // The tooltip of "Feedback" spans about x 20..140 from the knob's middle
    // height (37.5) up one line; between the "Delay" and "Mix" groups it
    // lies over the bare panel.
    const int x0 = 106, y0 = 40, x1 = 118, y1 = 50;
    HD::setFloatingTooltipEnabled(false);
    window().updateHover(HD::Point{79, 40});
    const Frame plain = frame();
    EXPECT_EQ(differing(plain, plain, x0, y0, x1, y1), 0);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) ASSERT_EQ(plain.at(x, y), kBackground) << x << "," << y;
    HD::setFloatingTooltipEnabled(true);
    const Frame tooltip = frameAfter(30);
    EXPECT_EQ(differing(plain, tooltip, x0, y0, x1, y1), (x1 - x0) * (y1 - y0)) << "the tooltip shows";

    if (support::onWindows()) {
        // The system's dialog box.
        DialogSeen seen;
        const support::ThreadToken me = support::currentThread();
        std::thread driver([&] { driveDialog(me, seen); });
        click(HD::Point{60, 105});  // "Prefs": modal until the driver's OK
        driver.join();
        ASSERT_TRUE(seen.found) << "no dialog appeared";
        EXPECT_EQ(seen.version, "2.0.2");
        EXPECT_FALSE(seen.flagAfter);
        EXPECT_EQ(seen.storedAfter, 0);
    } else {
        // The panel drawn over the editor.
        using about::AboutPanel;
        click(HD::Point{60, 105});  // "Prefs"
        const Frame open = frame();
        // The version's text on the panel's body.
        const HD::BoundingBox version = AboutPanel::controlBox(106);
        const support::Pixel body = open.at(static_cast<int>(version.maxX) - 2, static_cast<int>(version.minY) + 1);
        int text = 0;
        for (int y = static_cast<int>(version.minY); y < static_cast<int>(version.maxY); ++y)
            for (int x = static_cast<int>(version.minX); x < static_cast<int>(version.maxX); ++x) text += open.at(x, y) != body;
        EXPECT_GT(text, 20) << "the version text";
        const HD::BoundingBox check = AboutPanel::controlBox(110);
        click(HD::Point{check.centreX(), check.centreY()});
        EXPECT_FALSE(HD::floatingTooltipEnabled());
        EXPECT_EQ(storedTooltip(), 0);
        const HD::BoundingBox ok = AboutPanel::controlBox(1);
        click(HD::Point{ok.centreX(), ok.centreY()});
    }
    EXPECT_FALSE(HD::floatingTooltipEnabled());
    // Fading out from the next frame (11 % a frame), gone after 50.
    EXPECT_EQ(differing(tooltip, frame(), x0, y0, x1, y1), (x1 - x0) * (y1 - y0)) << "fading";
    EXPECT_EQ(differing(plain, frameAfter(50), x0, y0, x1, y1), 0) << "gone";
}

namespace {

// The scanner's red and green summed over a column band of its box.
struct Glow
{
    double red = 0, green = 0;
};
Glow glowAround(const Frame& screen, int centre)
{
    Glow glow;
    for (int y = 195; y < 226; ++y)
        for (int x = centre - 6; x <= centre + 6; ++x) {
            if (x < 20 || x >= 750) continue;
            const support::Pixel p = screen.at(x, y);
            glow.red += p[0];
            glow.green += p[1];
        }
    return glow;
}

// The newest blob alone, at the pixel whose centre lies nearest its middle
// (x 20 + 730 v), 5 pixels under the box's middle line: the panel plus the
// blob's colour times its alpha, both shaded linearly from the middle
// (1, g, g) at alpha 0.5 to the wing's end (0.6, 0, 0.6) at alpha 0, with
// g = 1 - 0.8 min(10 e, 1), e the distance to the nearer end of the line.
// The wing is 20 long behind the direction of travel, 10 ahead; there the
// disc image is white.
support::Pixel newestBlob(double position, bool forward, int& x)
{
    const double centre = 20.0 + 730.0 * position;
    x = static_cast<int>(std::lround(centre - 0.5));
    const double offset = x + 0.5 - centre;
    const double wing = (offset > 0.0) == forward ? 10.0 : 20.0;
    const double f = std::abs(offset) / wing;
    const double e = position <= 0.5 ? position : 1.0 - position;
    const double g = 1.0 - 0.8 * std::min(10.0 * e, 1.0);
    const double alpha = 0.5 * (1.0 - f);
    const double blob[3] = {(1.0 - f) + 0.6 * f, (1.0 - f) * g, (1.0 - f) * g + 0.6 * f};
    const double panel[3] = {0.2, 0.2, 0.0};
    support::Pixel expected{};
    for (int c = 0; c < 3; ++c) expected[static_cast<size_t>(c)] = static_cast<int>(std::lround(255.0 * (panel[c] + blob[c] * alpha)));
    return expected;
}

}  // namespace

// The scanner's blobs sit at 20 + 730 x the sweep position: white at the
// ends of the line, red from a tenth of its length inwards.
TEST_F(EditorScreen, ScannerFollowsTheSweepWhiteAtTheEndsRedInside)
{
    // Nothing processed: all twenty blobs at the left end, white.
    const Frame fresh = frameAfter(20);
    const Glow start = glowAround(fresh, 20);
    EXPECT_GT(start.red, 0.0);
    EXPECT_GT(start.green, 0.9 * start.red) << "white";

    // A twentieth of the one-second line a frame (36.5 pixels) up to 0.8,
    // then a fortieth up to 0.975: the newest blob stands clear of the one
    // before. It is checked inside the line (from 0.5) and near its end
    // (past 0.91), each in the first frame there that followed the frame
    // before it directly: the render thread keeps its own pace, and a frame
    // of its own in between would put a second blob at or near the newest.
    Frame screen;
    HD::CapturedFrame previous, drawn;
    ASSERT_TRUE(HD::captureNextFrame(view()->window(), screen.rgba, kTimeout, &previous));
    bool checkedInside = false, checkedEnd = false;
    for (int step = 1; step <= 23; ++step) {
        process(step <= 16 ? 2205 : 1103, 0.0f);
        ASSERT_TRUE(HD::captureNextFrame(view()->window(), screen.rgba, kTimeout, &drawn));
        const double position = drawn.state.sweepPosition;
        const bool clear = drawn.number == previous.number + 1 &&
                           730.0 * (position - previous.state.sweepPosition) >= 12.0;
        previous = drawn;
        bool& checked = position > 0.91 ? checkedEnd : checkedInside;
        if (!clear || position < 0.5 || checked) continue;
        checked = true;
        const bool forward = (drawn.state.sweepDirection & 0xFFu) == 1u;
        EXPECT_TRUE(forward) << "the first sweep runs forward";
        int x = 0;
        const support::Pixel expected = newestBlob(position, forward, x);
        const support::Pixel seen = screen.at(x, 205);
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(seen[c], expected[c], 2) << "channel " << c << " at x " << x << ", sweep at " << position;
        EXPECT_EQ(screen.at(x + 12, 205), kBackground) << "ahead of the blob";
    }
    EXPECT_TRUE(checkedInside && checkedEnd) << "no frame followed the one before directly";
    EXPECT_LT(glowAround(screen, 26).red, 0.5 * start.red) << "gone from the start";
}

namespace {

struct DiscPixels
{
    int lit = 0;
    std::vector<double> bearings;  // of the lit pixels 5 or more from the centre
};

// What of a phase disc (30 x 30 about its centre) shows over the panel.
DiscPixels discAt(const Frame& screen, int cx, int cy)
{
    DiscPixels disc;
    for (int y = cy - 15; y < cy + 15; ++y)
        for (int x = cx - 15; x < cx + 15; ++x) {
            const support::Pixel p = screen.at(x, y);
            const int lift = std::abs(p[0] - kBackground[0]) + std::abs(p[1] - kBackground[1]) + std::abs(p[2]);
            if (lift <= 15) continue;
            ++disc.lit;
            const double px = x + 0.5, py = y + 0.5;
            if (std::hypot(px - cx, py - cy) >= 5.0) disc.bearings.push_back(bearing(px, py, cx, cy));
        }
    return disc;
}

// Whether degrees lies on the clockwise arc from `from` to `to`, widened by slack.
bool onArc(double degrees, double from, double to, double slack)
{
    auto clockwise = [](double a, double b) { return std::fmod(b - a + 720.0, 360.0); };
    return clockwise(from - slack, degrees) <= clockwise(from - slack, to + slack);
}

}  // namespace

// A phase disc shows the wedge its phase swept over the last ten frames,
// clockwise from straight up; a phase that stands still shows nothing.
TEST_F(EditorScreen, PhaseDiscsTurnWithTheirPhases)
{
    // "Sync" and "LFO Sync" (offsets 479, 20 and 479, 90), discs at x 176: centres (670, 35) and (670, 105).
    const Frame still = frameAfter(11);
    EXPECT_EQ(discAt(still, 670, 35).lit, 0);
    EXPECT_EQ(discAt(still, 670, 105).lit, 0);

    // The LFO at 0.2 Hz turns 13.4 degrees in 8192 frames: one step a frame.
    std::vector<double> phases;
    Frame turning;
    for (int i = 0; i < 12; ++i) {
        process(8192, 0.1f);
        phases.push_back(360.0 * displayState().lfoPhase);
        turning = frame();
    }
    // The frames drawn since the step ten frames back, or fewer.
    const double from = phases[2], to = phases.back();
    ASSERT_NEAR(std::fmod(to - from + 360.0, 360.0), 9 * 360.0 * 8192.0 * 0.2 / 44100.0, 0.5);
    const DiscPixels lfo = discAt(turning, 670, 105);
    EXPECT_GT(lfo.lit, 40);
    int outside = 0;
    for (double degrees : lfo.bearings) outside += !onArc(degrees, from, to, 15.0);
    EXPECT_EQ(outside, 0) << "wedge from " << from << " to " << to << " degrees";
    EXPECT_GT(discAt(turning, 670, 35).lit, 40) << "the delay's disc turns with the sweep";
}

// Loud noise fills the waveform display's band between the envelopes,
// (0.8, 0.8, 1) at alpha 0.25 over the panel: 0.8 * 0.25 + 0.2 * 0.75 = 0.35
// (89.25) and blue 0.25 (63.75); before it, only the flat line at y 210.
TEST_F(EditorScreen, WaveformShowsTheEnvelopeOfALoudInput)
{
    process(4410, 0.0f);
    const int scanner = static_cast<int>(20 + 730 * displayState().sweepPosition);
    const int x = scanner < 385 ? 600 : 150;  // well away from the scanner's blobs
    const Frame quiet = frameAfter(21);
    EXPECT_EQ(quiet.at(x, 235), kBackground);
    EXPECT_EQ(quiet.at(x, 185), kBackground);
    EXPECT_NE(quiet.at(x, 210), kBackground) << "the line through the middle";

    process(2 * 44100, 0.9f);
    const int now = static_cast<int>(20 + 730 * displayState().sweepPosition);
    const int away = now < 385 ? 600 : 150;
    const Frame loud = frameAfter(21);
    for (const int y : {185, 235}) {
        const support::Pixel p = loud.at(away, y);
        EXPECT_NEAR(p[0], 89, 2) << "y " << y;
        EXPECT_NEAR(p[1], 89, 2) << "y " << y;
        EXPECT_NEAR(p[2], 64, 2) << "y " << y;
    }
}
