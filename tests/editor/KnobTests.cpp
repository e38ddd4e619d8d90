// The knob without OpenGL: the rim's shape, how an angle turns it, the
// gestures' arithmetic on the effect's real parameters, colours and boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "EditorFixture.h"
#include "editor/DivuRevu.h"
#include "editor/ZedaViruZovozeze.h"
#include "gui/Group.h"
#include "gui/Modifiers.h"

using HD::DivuRevu;
using HD::ZedaViruZovozeze;

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
const float kRimFactor[11] = {1, 0.5f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f, 0.5f, 1};

// Rim point k of a knob at (cx, cy), radius r, turned by degrees, in polar
// form: a different route from the renderer's rotation of the table.
bool rimPointIs(const ZedaViruZovozeze::Vertex& v, int k, double cx, double cy, double r, double degrees)
{
    const double a = (degrees + 36.0 * k) * kDegree;
    return std::fabs(v.position[0] - (cx + r * kRimFactor[k] * std::sin(a))) < 1e-4 &&
           std::fabs(v.position[1] - (cy + r * kRimFactor[k] * std::cos(a))) < 1e-4 &&
           std::fabs(v.normal[0] - 0.7 * std::sin(a)) < 1e-5 && std::fabs(v.normal[1] - 0.7 * std::cos(a)) < 1e-5 &&
           std::fabs(v.normal[2] - 0.7) < 1e-6 && v.position[2] == 0.0f;
}

struct Renderer : EditorFixture
{
    ZedaViruZovozeze renderer{window.get()};
    int knob(float cx, float cy, float radius, const float colour[4] = nullptr)
    {
        const float white[4] = {1, 1, 1, 1};
        const int i = renderer.addKnob();
        renderer.setColour(i, colour ? colour : white);
        renderer.setPlacement(i, cx, cy, radius);
        return i;
    }
};

}  // namespace

// From sin and cos of multiples of 36 degrees: normals lean 0.7 outwards,
// the point is on a unit disc times the rim factor.
TEST(KnobRim, TableRowsAreTheHandComputedOnes)
{
    Renderer r;
    const float expected[11][5] = {
        {0.0f, 0.7f, 0.7f, 0.0f, 1.0f},
        {0.411450f, 0.566312f, 0.7f, 0.293893f, 0.404508f},
        {0.665740f, 0.216312f, 0.7f, 0.713292f, 0.231763f},
        {0.665740f, -0.216312f, 0.7f, 0.713292f, -0.231763f},
        {0.411450f, -0.566312f, 0.7f, 0.440839f, -0.606763f},
        {0.0f, -0.7f, 0.7f, 0.0f, -0.75f},
        {-0.411450f, -0.566312f, 0.7f, -0.440839f, -0.606763f},
        {-0.665740f, -0.216312f, 0.7f, -0.713292f, -0.231763f},
        {-0.665740f, 0.216312f, 0.7f, -0.713292f, 0.231763f},
        {-0.411450f, 0.566312f, 0.7f, -0.293893f, 0.404508f},
        {0.0f, 0.7f, 0.7f, 0.0f, 1.0f},
    };
    for (int k = 0; k < 11; ++k)
        for (int c = 0; c < 5; ++c) EXPECT_NEAR(r.renderer.rimTable()[k][c], expected[k][c], 1e-5f) << k << "," << c;
}

TEST(KnobRim, FansAreOpaqueAtTheCentreAndVisibleAtTheRimOnlyAlongThePointer)
{
    Renderer r;
    const float colour[4] = {0.8f, 0.4f, 0.2f, 0.6f};
    r.knob(0, 0, 15);
    r.knob(100, 50, 15, colour);
    r.renderer.createVertexArray();
    const ZedaViruZovozeze::Vertex* fan = r.renderer.vertices() + 12;  // the second knob's
    const float centre[10] = {0.8f, 0.4f, 0.2f, 0.6f, 0, 0, 1, 100, 50, 0};
    for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ((&fan[0].colour[0])[i], centre[i]) << i;
    for (int k = 0; k < 11; ++k) {
        const bool tip = k == 0 || k == 10;
        const float expected[4] = {tip ? 0.8f : 0.4f, tip ? 0.4f : 0.2f, 0.2f, tip ? 0.45f : 0.0f};
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(fan[1 + k].colour[c], expected[c]) << k << "," << c;
    }
}

TEST(KnobRim, AnglesTurnTheRimClockwiseFromStraightUp)
{
    Renderer r;
    const int i = r.knob(100, 50, 15);
    r.renderer.setAngle(i, static_cast<float>(90.0 * kDegree));  // before the array exists
    r.renderer.createVertexArray();
    const ZedaViruZovozeze::Vertex* fan = r.renderer.vertices();
    EXPECT_NEAR(fan[1].position[0], 115.0f, 1e-4f);  // pointer to the right
    EXPECT_NEAR(fan[1].position[1], 50.0f, 1e-4f);

    const struct
    {
        double degrees;
        float tipX, tipY, tipNormalX, tipNormalY;  // by hand: 15 and 0.7 times (sin, cos)
    } cases[] = {{0, 100, 65, 0, 0.7f},
                 {-135, 89.393398f, 39.393398f, -0.494975f, -0.494975f},
                 {135, 110.606602f, 39.393398f, 0.494975f, -0.494975f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        r.renderer.setAngle(i, static_cast<float>(c.degrees * kDegree));
        r.renderer.applyAngles();
        EXPECT_NEAR(fan[1].position[0], c.tipX, 1e-4f);
        EXPECT_NEAR(fan[1].position[1], c.tipY, 1e-4f);
        EXPECT_NEAR(fan[1].normal[0], c.tipNormalX, 1e-5f);
        EXPECT_NEAR(fan[1].normal[1], c.tipNormalY, 1e-5f);
        for (int k = 0; k < 11; ++k) EXPECT_TRUE(rimPointIs(fan[1 + k], k, 100, 50, 15, c.degrees)) << k;
        EXPECT_FLOAT_EQ(fan[0].position[0], 100.0f);  // the centre never moves
        EXPECT_FLOAT_EQ(fan[0].position[1], 50.0f);
    }
}

// The window thread turns a knob while the render thread draws: every rim
// the render thread sees belongs to one angle or the other, never a mix.
TEST(KnobRim, AKnobTurnedFromAnotherThreadIsNeverSeenHalfTurned)
{
    Renderer r;
    const int i = r.knob(50, 50, 15);
    r.renderer.setAngle(i, static_cast<float>(-60.0 * kDegree));
    r.renderer.createVertexArray();
    std::atomic<bool> stop{false};
    std::thread turner([&] {
        for (int n = 0; !stop.load(); ++n) r.renderer.setAngle(i, static_cast<float>((n % 2 ? 60.0 : -60.0) * kDegree));
    });
    int torn = 0;
    for (int frame = 0; frame < 20000; ++frame) {
        r.renderer.applyAngles();
        const ZedaViruZovozeze::Vertex* fan = r.renderer.vertices();
        const double degrees = fan[1].position[0] > 50.0f ? 60.0 : -60.0;
        for (int k = 0; k < 11; ++k) torn += rimPointIs(fan[1 + k], k, 50, 50, 15, degrees) ? 0 : 1;
    }
    stop = true;
    turner.join();
    EXPECT_EQ(torn, 0);
}

namespace {
class KnobTest : public ::testing::Test, public EditorFixture
{
protected:
    ZedaViruZovozeze* renderer = new ZedaViruZovozeze(window.get());
    KnobTest() { window->effects.push_back(renderer); }

    DivuRevu* knob(int index, float x = 0.0f, const char* label = "Label")
    {
        auto* made = new DivuRevu(index, window.get(), renderer, label, x);
        HD::addChild(window->root, made);
        return made;
    }
    // A value from the host, as the editor hands it on.
    void set(DivuRevu* knob, float value)
    {
        effect().setValue(knob->descriptor().index, value);
        window->binding.refreshAll(&effect());
        ASSERT_FLOAT_EQ(effect().getValue(knob->descriptor().index), value);
    }
};
}  // namespace

// "Feedback" is linear from 0 to 100.
TEST_F(KnobTest, DragsMoveAHalfPercentOfTheRangePerUnitATenthOfThatWithShiftAndHoldAtTheEnds)
{
    DivuRevu* feedback = knob(kFeedback);
    ASSERT_EQ(feedback->descriptor().unit, kUnitPercent);
    set(feedback, 20.0f);
    ASSERT_FLOAT_EQ(feedback->value(), 0.2f);
    feedback->mouseDown({15, 15}, 0);
    EXPECT_EQ(window->activeIndex.load(), kFeedback);
    feedback->mouseDrag({15, 115}, 0);
    EXPECT_NEAR(feedback->value(), 0.7f, 1e-5f);
    EXPECT_NEAR(effect().getValue(kFeedback), 70.0f, 1e-3f);
    feedback->mouseDrag({40, 65}, 0);  // measured from the press, sideways ignored
    EXPECT_NEAR(effect().getValue(kFeedback), 45.0f, 1e-3f);
    feedback->mouseDrag({15, 215}, 0);
    EXPECT_FLOAT_EQ(effect().getValue(kFeedback), 100.0f);
    feedback->mouseDrag({15, -1000}, 0);
    EXPECT_FLOAT_EQ(effect().getValue(kFeedback), 0.0f);
    EXPECT_FLOAT_EQ(feedback->value(), 0.0f);

    set(feedback, 20.0f);
    feedback->mouseDown({15, 15}, HD::ModifierShift);
    feedback->mouseDrag({15, 115}, HD::ModifierShift);
    EXPECT_NEAR(feedback->value(), 0.25f, 1e-5f);
    EXPECT_NEAR(effect().getValue(kFeedback), 25.0f, 1e-3f);
}

TEST_F(KnobTest, AltResetsToTheDefaultAndAClickFlipsOnlyASwitch)
{
    DivuRevu* feedback = knob(kFeedback);
    set(feedback, 20.0f);
    feedback->mouseDown({15, 15}, HD::ModifierAlt);
    EXPECT_FLOAT_EQ(effect().getValue(kFeedback), 70.0f);
    EXPECT_NEAR(feedback->value(), 0.7f, 1e-6f);
    feedback->mouseDrag({15, 35}, HD::ModifierAlt);  // and goes on from there
    EXPECT_NEAR(effect().getValue(kFeedback), 80.0f, 1e-3f);

    // A click as the window delivers it: press, a drag where it was pressed, release.
    DivuRevu* triplet = knob(kTriplet, 44);
    DivuRevu* beats = knob(kBeats, 88);
    ASSERT_TRUE(triplet->stepped && beats->stepped);
    ASSERT_EQ(beats->descriptor().minimum, 1.0f);
    set(triplet, 0.0f);
    set(beats, 4.0f);
    for (float expected : {1.0f, 0.0f, 1.0f}) {
        triplet->mouseDown({59, 15}, 0);
        triplet->mouseDrag({59, 15}, 0);
        triplet->mouseUp({59, 15}, 0);
        EXPECT_FLOAT_EQ(effect().getValue(kTriplet), expected);
        EXPECT_FLOAT_EQ(triplet->value(), expected);
    }
    beats->mouseDown({103, 15}, 0);
    beats->mouseDrag({103, 15}, 0);
    EXPECT_FLOAT_EQ(effect().getValue(kBeats), 4.0f);
}

TEST_F(KnobTest, ValuesTurnThePointerThrough270Degrees)
{
    DivuRevu* feedback = knob(kFeedback);
    const float values[] = {0.0f, 25.0f, 50.0f, 100.0f}, degrees[] = {-135.0f, -67.5f, 0.0f, 135.0f};
    for (int i = 0; i < 4; ++i) {
        set(feedback, values[i]);
        EXPECT_NEAR(renderer->knob(feedback->rendererIndex()).angle.load(), degrees[i] * kDegree, 1e-5) << values[i];
    }
}

TEST_F(KnobTest, ColoursFollowTheUnit)
{
    // Seconds, percent (like every other unit), hertz, boolean.
    const int indices[] = {kDelayTime, kFeedback, kFilterCutoff, kHostTempo};
    const float rgb[][3] = {{0.8f, 0.1f, 0.9f}, {1.0f, 0.6f, 0.0f}, {0.2f, 0.7f, 0.9f}, {0.7f, 0.7f, 0.8f}};
    for (int k = 0; k < 4; ++k) {
        DivuRevu* made = knob(indices[k]);
        const float* entry = renderer->knob(made->rendererIndex()).colour;
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(made->colour()[i], i < 3 ? rgb[k][i] : 1.0f) << indices[k];
            EXPECT_FLOAT_EQ(entry[i], made->colour()[i]) << indices[k];
        }
    }
    // Units none of this effect's parameters has: semitones, note, gain, milliseconds.
    const int units[] = {10, 11, 14, 24};
    const float unitRgb[][3] = {{0, 0.5f, 1}, {0.1f, 0.6f, 0.3f}, {1, 0.2f, 0.2f}, {0.8f, 0.1f, 0.9f}};
    for (int u = 0; u < 4; ++u) {
        const HD::KnobColour c = HD::knobColourForUnit(units[u]);
        EXPECT_TRUE(c.r == unitRgb[u][0] && c.g == unitRgb[u][1] && c.b == unitRgb[u][2]) << units[u];
    }
}

TEST_F(KnobTest, BoxesAndPlacementInTheWindow)
{
    auto* group = new HD::Group(window.get());
    HD::addChild(window->root, group);
    group->offset[0] = group->offset[1] = 20.0f;
    auto* labelled = new DivuRevu(kFeedback, window.get(), renderer, "Feedback", 44.0f);
    auto* bare = new DivuRevu(kDryLevel, window.get(), renderer, nullptr, 88.0f);
    HD::addChild(group, labelled);
    HD::addChild(group, bare);

    HD::BoundingBox box, bareBox;
    labelled->getBounds(box);
    bare->getBounds(bareBox);
    EXPECT_TRUE(box.minX == 44 && box.maxX == 74 && box.minY == 0 && box.maxY == 35);  // room for the label
    EXPECT_TRUE(bareBox.minX == 88 && bareBox.maxX == 118 && bareBox.minY == 0 && bareBox.maxY == 30);
    // Only the 30 x 30 square takes the pointer.
    EXPECT_EQ(window->root->hitTest({79, 49}), labelled);
    EXPECT_EQ(window->root->hitTest({79, 53}), nullptr);

    labelled->prepareGraphics();
    bare->prepareGraphics();
    const ZedaViruZovozeze::KnobEntry& l = renderer->knob(labelled->rendererIndex());
    const ZedaViruZovozeze::KnobEntry& b = renderer->knob(bare->rendererIndex());
    EXPECT_TRUE(l.centreX == 79 && l.centreY == 40 && l.radius == 15);   // 20 + 35 / 2 + 2.5
    EXPECT_TRUE(b.centreX == 123 && b.centreY == 35 && b.radius == 15);  // 20 + 30 / 2
}
