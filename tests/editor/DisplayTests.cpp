// The displays without OpenGL: boxes, the scanner's blobs and history, the
// phase disc's history.
#include <gtest/gtest.h>

#include <cmath>

#include "EditorFixture.h"
#include "editor/Kitt.h"
#include "editor/PhaseDisc.h"
#include "editor/WaveformDisplay.h"
#include "gui/UITexture.h"

using HD::Kitt;
using HD::PhaseDisc;

namespace {
bool boxIs(const HD::BoundingBox& b, float minX, float minY, float maxX, float maxY)
{
    return b.minX == minX && b.minY == minY && b.maxX == maxX && b.maxY == maxY && b.minZ == 0 && b.maxZ == 0;
}
}  // namespace

TEST(Displays, BoxesTheScannersTextureAndNoPointerInput)
{
    EditorFixture fixture;
    HD::UIWindow* window = fixture.window.get();
    const size_t textures = window->textures.size();
    auto* waveform = new HD::WaveformDisplay(window, 160.0f, &window->displayState);
    auto* kitt = new Kitt(window, 160.0f, &window->displayState);
    auto* disc = new PhaseDisc(window, &window->displayState.delayPhase);

    EXPECT_TRUE(boxIs(waveform->box(), 20, 160, 750, 260));
    EXPECT_TRUE(boxIs(kitt->box(), 20, 160, 750, 260));
    EXPECT_TRUE(boxIs(disc->box(), 176, 0, 206, 30));
    HD::BoundingBox box = HD::displayStripBox(170.0f);
    box.minX = 0;
    kitt->getBounds(box);  // enlarges what it is given
    EXPECT_TRUE(boxIs(box, 0, 160, 750, 270));

    ASSERT_EQ(window->textures.size(), textures + 1);
    EXPECT_EQ(window->textures.back(), kitt->texture());
    EXPECT_EQ(kitt->texture()->resourceId, 113);
    EXPECT_EQ(waveform->columns(), nullptr);
    for (HD::UIElement* element : {static_cast<HD::UIElement*>(waveform), static_cast<HD::UIElement*>(kitt),
                                   static_cast<HD::UIElement*>(disc)})
        EXPECT_EQ(element->hitTest({191, 15}), nullptr);
}

TEST(Scanner, BlobsGrowTallerAndFainterWithAgeWhiteAtTheEndsRedInside)
{
    const HD::BoundingBox box = HD::displayStripBox(160.0f);
    const Kitt::Blob newest = Kitt::blobFor(box, 0, 0.5f, true);
    EXPECT_FLOAT_EQ(newest.centre, 385.0f);  // 20 + 0.5 x 730
    EXPECT_NEAR(newest.top, 230.0f, 1e-4f);  // 40 high around the middle, 210
    EXPECT_NEAR(newest.bottom, 190.0f, 1e-4f);
    EXPECT_FLOAT_EQ(newest.alpha, 0.5f);
    const Kitt::Blob oldest = Kitt::blobFor(box, 19, 0.5f, true);  // t = 0.95
    EXPECT_NEAR(oldest.top - oldest.bottom, 94.15f, 1e-3f);       // 100 x (0.4 + 0.6 x 0.9025)
    EXPECT_NEAR((oldest.top + oldest.bottom) / 2, 210.0f, 1e-4f);
    EXPECT_NEAR(oldest.alpha, 0.025f, 1e-6f);

    const float positions[] = {0.0f, 0.025f, 0.05f, 0.1f, 0.5f, 0.95f, 1.0f};
    const float greens[] = {1.0f, 0.8f, 0.6f, 0.2f, 0.2f, 0.6f, 1.0f};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(Kitt::blobFor(box, 0, positions[i], false).green, greens[i], 1e-5f);

    // The long wing trails the sweep.
    EXPECT_TRUE(newest.leftWing == 20.0f && newest.rightWing == 10.0f);
    const Kitt::Blob backward = Kitt::blobFor(box, 0, 0.5f, false);
    EXPECT_TRUE(backward.leftWing == 10.0f && backward.rightWing == 20.0f);
}

TEST(Scanner, HistoryKeepsTheLastTwentyFramesNewestFirst)
{
    Kitt kitt(nullptr, 160.0f, nullptr);
    for (int j = 0; j < Kitt::kHistory; ++j) EXPECT_FLOAT_EQ(kitt.position(j), 0.0f);  // fresh: all at the edge
    for (int frame = 1; frame <= 25; ++frame) kitt.advance(0.01f * frame, frame % 2 == 0);
    for (int j = 0; j < Kitt::kHistory; ++j) {
        EXPECT_FLOAT_EQ(kitt.position(j), 0.01f * (25 - j)) << j;
        EXPECT_EQ(kitt.forward(j), (25 - j) % 2 == 0) << j;
    }
}

namespace {
// The angle the disc's fan turns through from its newest to its oldest
// point, in turns, from the points' directions.
double sweptTurns(const PhaseDisc& disc)
{
    double total = 0.0;
    for (int n = 0; n + 1 < PhaseDisc::kHistory; ++n) {
        const PhaseDisc::Entry &a = disc.entry(n), &b = disc.entry(n + 1);
        total += std::atan2(a.sine * b.cosine - a.cosine * b.sine, a.sine * b.sine + a.cosine * b.cosine);
    }
    return std::fabs(total) / (2.0 * 3.14159265358979323846);
}
}  // namespace

TEST(PhaseDiscHistory, PhasePointsClockwiseFromUpAndTheFanSpansTheLastTenFrames)
{
    PhaseDisc disc(nullptr, nullptr);
    const float phases[] = {0.0f, 0.25f, 0.5f, 0.125f}, sines[] = {0, 1, 0, 0.70710678f},
                cosines[] = {1, 0, -1, 0.70710678f};
    for (int i = 0; i < 4; ++i) {
        disc.advance(phases[i]);
        EXPECT_NEAR(disc.entry(0).sine, sines[i], 1e-6f) << phases[i];
        EXPECT_NEAR(disc.entry(0).cosine, cosines[i], 1e-6f) << phases[i];
    }
    EXPECT_FLOAT_EQ(disc.entry(2).phase, 0.25f);

    PhaseDisc still(nullptr, nullptr);
    for (int frame = 0; frame < 10; ++frame) still.advance(0.3f);
    EXPECT_NEAR(sweptTurns(still), 0.0, 1e-9);
    PhaseDisc moving(nullptr, nullptr);
    for (int frame = 1; frame <= 10; ++frame) moving.advance(std::fmod(0.1f * frame, 1.0f));
    EXPECT_NEAR(sweptTurns(moving), 0.9, 1e-5);
}
