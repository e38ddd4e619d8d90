// The knobs and displays drawn into an offscreen context with the overlay's
// projection (one unit one pixel, origin bottom-left), probed at places
// worked out from their geometry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "editor/DivuRevu.h"
#include "editor/Kitt.h"
#include "editor/PhaseDisc.h"
#include "editor/WaveformDisplay.h"
#include "editor/ZedaViruZovozeze.h"
#include "gui/GL.h"
#include "gui/Group.h"
#include "gui/UIFont.h"
#include "gui/UITexture.h"
#include "platform/SystemServices.h"
#include "support/CapturedErrors.h"
#include "support/System.h"
#include "support/TestGLContext.h"

using HD::DivuRevu;
using HD::ZedaViruZovozeze;

namespace {

using Pixel = std::array<unsigned char, 4>;

std::string knobProgramText()
{
    std::ifstream file(PARFELLE_KNOB_PROGRAM_FILE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class DrawingTest : public ::testing::Test, public EditorFixture
{
protected:
    static constexpr int kWidth = 770;
    static constexpr int kHeight = 315;

    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        // What the render thread's overlay pass sets up.
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glTranslatef(-1.0f, -1.0f, 0.0f);
        glScalef(2.0f / kWidth, 2.0f / kHeight, 1.0f);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 0);
        clear();
    }

    void clear() { glClear(GL_COLOR_BUFFER_BIT); }

    Pixel at(int x, int y) const { return gl.pixel(x, y); }

    // The overlay's lights and material, light 1 at (x, y, 50).
    static void overlayLights(float lightX, float lightY)
    {
        const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse0[4] = {0.8f, 0.8f, 0.8f, 1},
                    specular0[4] = {0.2f, 0.2f, 0.2f, 1}, position0[4] = {0.6f, 0.6f, 0.5f, 0},
                    diffuse1[4] = {0.9f, 0.9f, 0.9f, 1}, specular1[4] = {0.5f, 0.5f, 0.7f, 1},
                    position1[4] = {lightX, lightY, 50, 1}, material[4] = {0.5f, 0.5f, 0.5f, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        const float* light0[3] = {diffuse0, specular0, position0};
        const float* light1[3] = {diffuse1, specular1, position1};
        const GLenum what[3] = {GL_DIFFUSE, GL_SPECULAR, GL_POSITION};
        for (int i = 0; i < 3; ++i) {
            glLightfv(GL_LIGHT0, what[i], light0[i]);
            glLightfv(GL_LIGHT1, what[i], light1[i]);
        }
        glEnable(GL_LIGHT0);
        glEnable(GL_LIGHT1);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40.0f);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material);
    }

    TestGLContext gl{kWidth, kHeight};
    support::CapturedErrors errors;
};

void expectPixel(const Pixel& pixel, double r, double g, double b, int tolerance)
{
    EXPECT_NEAR(pixel[0], r * 255.0, tolerance);
    EXPECT_NEAR(pixel[1], g * 255.0, tolerance);
    EXPECT_NEAR(pixel[2], b * 255.0, tolerance);
}

bool dark(const Pixel& pixel) { return pixel[0] < 8 && pixel[1] < 8 && pixel[2] < 8; }

}  // namespace

TEST_F(DrawingTest, TheLightingProgramCompilesAndABrokenOneIsDropped)
{
    ASSERT_TRUE(GLEW_ARB_vertex_program) << "the driver lacks vertex programs";
    const std::string text = knobProgramText();
    ASSERT_EQ(text.compare(0, 10, "!!ARBvp1.0"), 0) << "read " << text.size() << " bytes";

    testing::internal::CaptureStderr();
    const unsigned program = ZedaViruZovozeze::compileVertexProgram(text.data(), text.size());
    const std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_NE(program, 0u);
    EXPECT_EQ(complaints, "");
    EXPECT_TRUE(glIsProgramARB(program));
    glDeleteProgramsARB(1, &program);

    const std::string broken = "!!ARBvp1.0\nMOV result.position, vertex.nothing;\nEND\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(ZedaViruZovozeze::compileVertexProgram(broken.data(), broken.size()), 0u);
    const std::string report = testing::internal::GetCapturedStderr();
    int position = -1;
    ASSERT_EQ(std::sscanf(report.c_str(), "error at position: %d\n", &position), 1) << report;
    EXPECT_GE(position, 0);
    EXPECT_LE(position, static_cast<int>(broken.size()));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The program comes from the library's resources; where it is missing, that
// is reported and the knobs are drawn unlit all the same.
TEST_F(DrawingTest, TheRendererTakesItsProgramFromTheLibrary)
{
    ASSERT_TRUE(GLEW_ARB_vertex_program);
    auto* renderer = new ZedaViruZovozeze(window.get());
    window->effects.push_back(renderer);
    const float colour[4] = {0.0f, 0.5f, 1.0f, 1.0f};
    renderer->setColour(renderer->addKnob(), colour);
    renderer->setPlacement(0, 60.5f, 60.5f, 15.0f);
    renderer->createResources();

    const unsigned char* bytes = nullptr;
    size_t size = 0;
    if (platform::findResource(ZedaViruZovozeze::kProgramResourceType, ZedaViruZovozeze::kProgramResourceId, bytes,
                               size)) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), size), knobProgramText());
        EXPECT_NE(renderer->program(), 0u);
        EXPECT_TRUE(support::CapturedErrors::texts().empty());
        renderer->releaseResources();
        EXPECT_EQ(renderer->program(), 0u);
    } else {
        EXPECT_EQ(renderer->program(), 0u);
        EXPECT_EQ(support::CapturedErrors::texts().size(), 1u);
        renderer->draw();
        expectPixel(at(60, 60), 0.0, 0.5, 1.0, 2);
    }
}

// A knob at (115, 120): a group at (100, 100), the labelled knob at x 0.
// Probes 12 pixels out along -135, 0 and +135 degrees, inside the pointer's
// spike (radius 15) and outside the rest of the disc (radius 11.25).
TEST_F(DrawingTest, ThePointerShowsTheValue)
{
    auto* renderer = new ZedaViruZovozeze(window.get());
    window->effects.push_back(renderer);
    auto* group = new HD::Group(window.get());
    HD::addChild(window->root, group);
    group->offset[0] = 100.0f;
    group->offset[1] = 100.0f;
    auto* knob = new DivuRevu(kFeedback, window.get(), renderer, "Feedback", 0.0f);
    HD::addChild(group, knob);

    effect().setValue(kFeedback, 50.0f);
    window->binding.refreshAll(&effect());  // before the array exists
    knob->prepareGraphics();
    renderer->createResourcesFrom(nullptr, 0);  // unlit
    ASSERT_EQ(renderer->program(), 0u);

    const int cx = 115, cy = 120;
    const int probes[3][2] = {{cx - 9, cy - 9}, {cx, cy + 12}, {cx + 8, cy - 9}};
    // The middle first: it arrived before the vertex array existed.
    const struct
    {
        float value;
        int probe;
    } cases[] = {{50.0f, 1}, {0.0f, 0}, {100.0f, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        if (c.value != 50.0f) {
            effect().setValue(kFeedback, c.value);
            window->binding.refreshAll(&effect());
        }
        clear();
        renderer->draw();
        for (int p = 0; p < 3; ++p) {
            const Pixel pixel = at(probes[p][0], probes[p][1]);
            if (p == c.probe) {
                // The knob's orange, (1, 0.6, 0), at most of the pointer's opacity.
                EXPECT_GT(pixel[0], 140) << "probe " << p;
                EXPECT_NEAR(pixel[1], 0.6 * pixel[0], 4) << "probe " << p;
                EXPECT_LT(pixel[2], 4) << "probe " << p;
            } else {
                EXPECT_TRUE(dark(pixel)) << "probe " << p << ": " << int(pixel[0]);
            }
        }
        // The centre is nearly opaque orange whatever the value (the pixel
        // samples 0.7 units from the centre vertex).
        const Pixel centre = at(cx, cy);
        EXPECT_GT(centre[0], 215);
        EXPECT_NEAR(centre[1], 0.6 * centre[0], 4);
        EXPECT_LT(centre[2], 4);
        // Beyond the spike nothing is drawn.
        EXPECT_TRUE(dark(at(cx, cy + 16)));
        EXPECT_TRUE(dark(at(cx - 13, cy)));
    }
}

// The label goes into the background image, centred under its knob.
TEST_F(DrawingTest, TheLabelIsCentredUnderTheKnobInItsGrey)
{
    HD::UIFont font(11.0f, support::hostPath("/usr/share/wine/fonts/tahoma.ttf").c_str());
    ASSERT_TRUE(font.loaded()) << "Wine's fonts (fonts-wine) are needed for this test";
    font.preloadGlyphs();
    auto* renderer = new ZedaViruZovozeze(window.get());
    window->effects.push_back(renderer);
    auto* group = new HD::Group(window.get());
    HD::addChild(window->root, group);
    group->offset[0] = group->offset[1] = 100.0f;
    auto* labelled = new DivuRevu(kFeedback, window.get(), renderer, "Feedback", 0.0f);
    auto* bare = new DivuRevu(kDryLevel, window.get(), renderer, nullptr, 44.0f);
    HD::addChild(group, labelled);
    HD::addChild(group, bare);
    labelled->drawBackground(&font);
    bare->drawBackground(&font);

    // Box (100, 100) to (130, 135), centre (115, 117.5): the baseline is
    // 17.5 / 2 + the line height below the centre.
    const float baseline = 117.5f - 8.75f - font.lineHeight();
    int lit = 0, outside = 0, left = 1000, right = -1;
    Pixel brightest{};
    for (int y = 50; y < 170; ++y)
        for (int x = 60; x < 200; ++x) {
            const Pixel p = at(x, y);
            if (dark(p)) continue;
            ++lit;
            outside += (y < baseline - 4 || y > baseline + 12) ? 1 : 0;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            if (p[1] > brightest[1]) brightest = p;
        }
    EXPECT_GT(lit, 30);
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR((left + right) / 2.0, 115.0, 2.0);
    EXPECT_NEAR(right - left, font.textWidth("Feedback"), 3.0);
    expectPixel(brightest, 0.52, 0.55, 0.5, 12);
}

// Lit against unlit at the centre vertex (normal straight out of the panel),
// whose pixel samples the vertex exactly, and the sides facing towards and
// away from light 1.
TEST_F(DrawingTest, LightingBrightensTheKnobTowardsThePointLight)
{
    ASSERT_TRUE(GLEW_ARB_vertex_program);
    const std::string text = knobProgramText();
    auto* renderer = new ZedaViruZovozeze(window.get());
    window->effects.push_back(renderer);
    const int i = renderer->addKnob();
    const float colour[4] = {0.4f, 0.2f, 0.1f, 1.0f};
    renderer->setColour(i, colour);
    const float cx = 200.5f, cy = 150.5f;  // a pixel's centre
    renderer->setPlacement(i, cx, cy, 15.0f);

    renderer->createResourcesFrom(nullptr, 0);
    overlayLights(cx, cy);
    renderer->draw();
    const Pixel unlitCentre = at(200, 150);
    const Pixel unlitLeft = at(194, 150), unlitRight = at(206, 150);
    expectPixel(unlitCentre, 0.4, 0.2, 0.1, 2);
    for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(unlitLeft[ch], unlitRight[ch], 1);  // pointer up: symmetric

    testing::internal::CaptureStderr();
    renderer->createResourcesFrom(text.data(), text.size());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(renderer->program(), 0u);

    // The centre vertex's normal is (0, 0, 1). Light 0 adds 0.8 x 0.5 of the
    // colour and a specular (0.868^40 x 0.1) of 0.00035; ambient adds 0.2 of it.
    // Overhead, light 1 adds 0.9 of the colour and its full specular
    // product (0.25, 0.25, 0.35); 50 to the right, cos 45 = 0.7071 of 0.9 and
    // 0.9239^40 = 0.04215 of the product.
    const struct
    {
        float lightX;
        double r, g, b;
    } cases[] = {{cx, 0.85035, 0.55035, 0.50035}, {cx + 50.0f, 0.50545, 0.25817, 0.13874}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.lightX);
        clear();
        overlayLights(k.lightX, cy);
        renderer->draw();
        expectPixel(at(200, 150), k.r, k.g, k.b, 3);
        for (int ch = 0; ch < 3; ++ch) EXPECT_GT(at(200, 150)[ch], unlitCentre[ch] + 5) << ch;
    }
    // With light 1 off to the right, the right side catches more of it.
    const Pixel litLeft = at(194, 150), litRight = at(206, 150);
    EXPECT_GT(litRight[0], litLeft[0] + 5);
    EXPECT_GT(litRight[0], unlitRight[0]);
    // Alpha stays the vertex colour's: beyond the disc nothing appears.
    EXPECT_TRUE(dark(at(200, 150 - 13)));

    renderer->releaseResources();
    EXPECT_EQ(renderer->program(), 0u);
    clear();
    renderer->draw();
    expectPixel(at(200, 150), 0.4, 0.2, 0.1, 2);
}

// The band of the column array is at 0.25 opacity of (0.8, 0.8, 1); the box
// runs from y 160 to 260, so y = -1..1 maps to 160..260 and x = column
// number to 20 + column x 730 / 256.
TEST_F(DrawingTest, TheWaveformFillsTheBandBetweenTheEnvelopesOrDrawsALineWhenFlat)
{
    auto* waveform = new HD::WaveformDisplay(window.get(), 160.0f, &window->displayState);
    std::unique_ptr<std::atomic<float>[]> columns(new std::atomic<float>[1024]);
    for (int i = 0; i < 256; ++i) {
        const bool left = i < 128;
        columns[4 * i + 0] = static_cast<float>(i);
        columns[4 * i + 1] = left ? -0.5f : -0.2f;
        columns[4 * i + 2] = static_cast<float>(i);
        columns[4 * i + 3] = left ? 0.5f : 0.8f;
    }

    waveform->draw();
    for (int y = 150; y < 270; y += 5)
        for (int x = 10; x < 760; x += 7) ASSERT_TRUE(dark(at(x, y))) << "nothing before the columns arrive";

    waveform->setColumns(columns.get());
    waveform->draw();
    // Column 64 is at x 202.5: band from 185 to 235.
    expectPixel(at(202, 210), 0.2, 0.2, 0.25, 3);
    expectPixel(at(202, 190), 0.2, 0.2, 0.25, 3);
    EXPECT_TRUE(dark(at(202, 180)));
    EXPECT_TRUE(dark(at(202, 240)));
    // Column 192 is at x 567.5: band from 200 to 250.
    expectPixel(at(567, 245), 0.2, 0.2, 0.25, 3);
    EXPECT_TRUE(dark(at(567, 196)));
    EXPECT_TRUE(dark(at(567, 254)));
    // The envelopes are drawn over the band, three times as opaque.
    const int lowerEdge = std::max(at(202, 184)[0], at(202, 185)[0]);
    EXPECT_GT(lowerEdge, 51 + 30);
    const int upperEdge = std::max(at(567, 249)[0], at(567, 250)[0]);
    EXPECT_GT(upperEdge, 51 + 30);
    // Nothing beyond the box's sides.
    EXPECT_TRUE(dark(at(15, 210)));
    EXPECT_TRUE(dark(at(752, 210)));

    // Flat (all y 0): a line through the middle, y 210, between rows 209 and 210.
    for (int i = 0; i < 256; ++i) columns[4 * i + 1] = columns[4 * i + 3] = 0.0f;
    clear();
    waveform->draw();
    for (int x = 30; x < 740; x += 37) {
        EXPECT_GT(at(x, 209)[0] + at(x, 210)[0], 100) << x;
        EXPECT_TRUE(dark(at(x, 206)) && dark(at(x, 214))) << x;
    }
}


// Without its texture the scanner shows plain vertex colours, added up.
TEST_F(DrawingTest, TheScannerBlobSitsAtTheSweepPositionAndItsTrailFollows)
{
    auto* kitt = new HD::Kitt(window.get(), 160.0f, &window->displayState);
    ASSERT_EQ(kitt->texture()->textureName, 0u);

    // A fresh scanner: every blob white at the left edge.
    kitt->draw();
    const Pixel edge = at(20, 210);
    EXPECT_GT(edge[0], 240);
    EXPECT_GT(edge[1], 240);
    EXPECT_GT(edge[2], 240);
    EXPECT_TRUE(dark(at(60, 210)));

    window->displayState.sweepPosition = 0.5f;
    window->displayState.sweepDirection = 1;
    clear();
    kitt->draw();
    // Centre at 20 + 0.5 x 730 = 385: the brightest column of its row.
    int brightest = 0, brightestRed = -1;
    for (int x = 350; x <= 420; ++x)
        if (at(x, 210)[0] > brightestRed) {
            brightestRed = at(x, 210)[0];
            brightest = x;
        }
    EXPECT_NEAR(brightest, 385, 1);
    // Half a pixel into the 20-wide left wing: 0.975 of the centre's
    // (1, 0.2, 0.2) and alpha 0.5, with a little of the outer (0.6, 0, 0.6).
    expectPixel(at(384, 210), 0.99 * 0.4875, 0.195 * 0.4875, 0.21 * 0.4875, 3);
    // Moving forwards: the long wing trails to the left.
    EXPECT_FALSE(dark(at(370, 210)));
    EXPECT_TRUE(dark(at(400, 210)));
    // The newest blob is 40 high around the middle: 190 to 230.
    EXPECT_FALSE(dark(at(385, 228)));
    EXPECT_TRUE(dark(at(385, 232)));
    EXPECT_TRUE(dark(at(385, 187)));
    // The older blobs still sit at the left edge.
    EXPECT_FALSE(dark(at(20, 210)));

    // Backwards: the long wing to the right.
    window->displayState.sweepDirection = 0;
    clear();
    kitt->draw();
    EXPECT_FALSE(dark(at(400, 210)));

    // The histories move once per drawn frame: the first frame's blob at the
    // edge (alpha 0.025) is the oldest after 19 frames at 0.5 and gone after 20.
    for (int pushed = 2; pushed < 18; ++pushed) kitt->draw();
    clear();
    kitt->draw();
    EXPECT_GE(at(20, 210)[0], 4);
    clear();
    kitt->draw();
    EXPECT_EQ(at(20, 210)[0], 0);
}

TEST_F(DrawingTest, ThePhaseDiscShowsTheWedgeOfTheLastTenFrames)
{
    auto* disc = new HD::PhaseDisc(window.get(), &window->displayState.lfoPhase);
    auto anyLit = [this] {
        for (int y = 0; y <= 31; ++y)
            for (int x = 175; x <= 207; ++x)
                if (!dark(at(x, y))) return true;
        return false;
    };

    window->displayState.lfoPhase = 0.3f;
    for (int frame = 0; frame < 10; ++frame) {
        clear();
        disc->draw();
    }
    EXPECT_FALSE(anyLit());

    // 0.1, 0.2, ... 1.0: the wedge covers 36 to 360 degrees clockwise from up.
    for (int frame = 1; frame <= 10; ++frame) {
        window->displayState.lfoPhase = 0.1f * frame;
        clear();
        disc->draw();
    }
    // Probes 10 pixels from the centre (191, 15), at the angles named.
    EXPECT_TRUE(dark(at(193, 24)));    // 15: the gap between oldest and newest
    EXPECT_FALSE(dark(at(200, 14)));   // 93
    EXPECT_FALSE(dark(at(190, 5)));    // 183
    EXPECT_FALSE(dark(at(181, 15)));   // 273
    // Brightest at the newest edge.
    EXPECT_GT(at(186, 23)[0], at(199, 20)[0]);  // 332 against 57
    EXPECT_TRUE(dark(at(191, 15 + 17)));  // outside the disc
}
