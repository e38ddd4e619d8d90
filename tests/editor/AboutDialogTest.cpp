// The about-and-preferences dialog: its texts, the drawn panel (hit targets,
// the check box and its stored preference, OK, the pointer kept from the
// editor behind, its pixels). Windows' system dialog: AboutDialogBoxTest.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EditorFixture.h"
#include "PreferenceSandbox.h"
#include "ToolkitRig.h"
#include "editor/AboutDialog.h"
#include "editor/AboutPanel.h"
#include "editor/RenderTask.h"
#include "gui/Button.h"
#include "gui/GL.h"
#include "gui/Group.h"
#include "gui/UIFont.h"
#include "platform/AboutDialogBox.h"
#include "support/System.h"
#include "support/TestGLContext.h"
#include "support/TestHostWindow.h"

namespace {

using about::AboutPanel;

using test_preferences::kMissing;
using test_preferences::storedTooltip;

// Preferences of the test's own; the flag and any stored value put back
// afterwards.
class AboutTest : public ::testing::Test
{
    test_preferences::Sandbox preferences_;
};

// A click as the window delivers it: press at a point in window units,
// release at another (platform pixels from the top-left), then the end.
void click(HD::UIWindow& window, HD::Point at, HD::Point releaseAt)
{
    if (!window.beginDrag(at, 0)) return;
    const int x = static_cast<int>(releaseAt.x);
    const int y = window.rectangle().bottom - static_cast<int>(releaseAt.y);
    window.gesture().event(HD::DragEvent::Released, x, y, 0);
    window.gesture().end();
}
void click(HD::UIWindow& window, HD::Point at) { click(window, at, at); }

HD::Point centreOf(const HD::BoundingBox& box) { return {box.centreX(), box.centreY()}; }

void countAction(HD::Button*, void* context) { ++*static_cast<int*>(context); }

struct PanelRig
{
    EditorFixture editor;
    AboutPanel* panel = about::attachAboutPanel(editor.window.get());
    // The product's Prefs button, at its place, after the panel as in the editor.
    int prefsClicks = 0;
    HD::Button* prefs = nullptr;
    std::vector<std::string> opened;

    PanelRig()
    {
        prefs = new HD::Button(editor.window.get(), "Prefs", countAction, &prefsClicks, 20, 90, 80, -2);
        HD::addChild(editor.window->root, prefs);
        panel->openWebPage = record;
        current() = this;
    }
    ~PanelRig() { current() = nullptr; }
    static PanelRig*& current()
    {
        static PanelRig* rig = nullptr;
        return rig;
    }
    static void record(const char* address) { current()->opened.push_back(address); }
    HD::UIWindow& window() { return *editor.window; }
};

}  // namespace

TEST(AboutTexts, VersionMakerAndProduct)
{
    EXPECT_STREQ(about::versionText(), "2.0.2");
    EXPECT_STREQ(about::kMaker, "Haldrane");
    EXPECT_STREQ(about::kProduct, "Parfelle");
    // The button's caption names the address it opens.
    EXPECT_NE(std::string(about::kWebAddress).find("www.haldrane.com"), std::string::npos);
    EXPECT_NE(std::string(about::kWebButton).find("www.haldrane.com"), std::string::npos);
}

TEST_F(AboutTest, ToggleFlipsTheFlagAndStoresIt)
{
    HD::setFloatingTooltipEnabled(false);
    about::toggleFloatingTooltip();
    EXPECT_TRUE(HD::floatingTooltipEnabled());
    EXPECT_EQ(storedTooltip(), 1);
    about::toggleFloatingTooltip();
    EXPECT_FALSE(HD::floatingTooltipEnabled());
    EXPECT_EQ(storedTooltip(), 0);
}

TEST_F(AboutTest, PanelGeometryFollowsTheDialogUnits)
{
    // 1.75 x 1.4 pixels per dialog unit, the 350-pixel client centred in
    // the 770-pixel editor (left 210), its bottom 12 pixels up: client top
    // = 12 + 178 x 1.4 = 261.2, and a 20-pixel title bar above it.
    const HD::BoundingBox panel = AboutPanel::panelBox();
    EXPECT_FLOAT_EQ(panel.minX, 210.0f);
    EXPECT_FLOAT_EQ(panel.maxX, 560.0f);
    EXPECT_FLOAT_EQ(panel.minY, 12.0f);
    EXPECT_FLOAT_EQ(panel.maxY, 281.2f);
    // Under the status band (y 290 up), inside the 315-pixel editor.
    EXPECT_LT(panel.maxY, 290.0f);

    struct Expected
    {
        int id;
        float x, y, w, h;
    };
    const Expected expected[] = {{103, 8, 10, 70, 10},   {104, 70, 8, 120, 12},  {105, 8, 22, 70, 10},
                                 {106, 8, 34, 70, 10},   {109, 8, 110, 184, 48}, {110, 12, 122, 176, 10},
                                 {1, 80, 162, 40, 12}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        const HD::BoundingBox box = AboutPanel::controlBox(e.id);
        EXPECT_NEAR(box.minX, 210.0f + e.x * 1.75f, 1e-3f);
        EXPECT_NEAR(box.maxX - box.minX, e.w * 1.75f, 1e-3f);
        EXPECT_NEAR(box.maxY, 261.2f - e.y * 1.4f, 1e-3f);
        EXPECT_NEAR(box.maxY - box.minY, e.h * 1.4f, 1e-3f);
    }
    // OK worked out by hand: x 210 + 140 = 350 to 420, y 261.2 - 226.8 =
    // 34.4 down to 34.4 - 16.8 = 17.6.
    const HD::BoundingBox ok = AboutPanel::controlBox(1);
    EXPECT_NEAR(ok.minX, 350.0f, 1e-3f);
    EXPECT_NEAR(ok.maxX, 420.0f, 1e-3f);
    EXPECT_NEAR(ok.minY, 17.6f, 1e-3f);
    EXPECT_NEAR(ok.maxY, 34.4f, 1e-3f);
    EXPECT_TRUE(AboutPanel::controlBox(107).isEmpty());
}

TEST_F(AboutTest, PanelHitTargets)
{
    for (int id : {103, 104, 105, 106, 110, 1}) EXPECT_EQ(AboutPanel::controlAt(centreOf(AboutPanel::controlBox(id))), id);
    // Inside the Preferences frame but off the check box: the panel itself.
    const HD::BoundingBox frame = AboutPanel::controlBox(109);
    EXPECT_EQ(AboutPanel::controlAt({frame.centreX(), frame.minY + 3.0f}), 0);
    // The title bar and an empty stretch of the panel.
    EXPECT_EQ(AboutPanel::controlAt({300.0f, 275.0f}), 0);
    EXPECT_EQ(AboutPanel::controlAt({400.0f, 150.0f}), 0);
    // Outside, on each side.
    EXPECT_EQ(AboutPanel::controlAt({209.0f, 150.0f}), -1);
    EXPECT_EQ(AboutPanel::controlAt({561.0f, 150.0f}), -1);
    EXPECT_EQ(AboutPanel::controlAt({300.0f, 11.0f}), -1);
    EXPECT_EQ(AboutPanel::controlAt({300.0f, 282.0f}), -1);
}

TEST_F(AboutTest, PanelTakesThePointerOnlyWhileOpen)
{
    PanelRig rig;
    HD::UIWindow& window = rig.window();
    ASSERT_EQ(about::aboutPanelOf(&window), rig.panel);
    ASSERT_FALSE(rig.panel->isOpen());
    const HD::Point prefsPoint{60.0f, 105.0f};
    const HD::Point inPanel = centreOf(AboutPanel::controlBox(105));

    // Closed: the editor as ever.
    EXPECT_EQ(window.root->hitTest(prefsPoint), rig.prefs);
    EXPECT_EQ(window.root->hitTest(inPanel), nullptr);
    window.updateHover(prefsPoint);
    EXPECT_EQ(window.hoverIndex.load(), -2);

    rig.panel->open();
    // What was hovered is left, and the panel is under every point.
    EXPECT_EQ(window.hoverIndex.load(), -1);
    EXPECT_EQ(window.hoverElement.load(), rig.panel->element());
    EXPECT_EQ(window.root->hitTest(prefsPoint), rig.panel->element());
    EXPECT_EQ(window.root->hitTest(inPanel), rig.panel->element());
    window.updateHover(prefsPoint);
    EXPECT_EQ(window.hoverIndex.load(), -1);
    click(window, prefsPoint);
    EXPECT_EQ(rig.prefsClicks, 0);
    EXPECT_TRUE(rig.panel->isOpen());

    click(window, centreOf(AboutPanel::controlBox(1)));
    EXPECT_FALSE(rig.panel->isOpen());
    EXPECT_EQ(window.hoverElement.load(), nullptr);
    click(window, prefsPoint);
    EXPECT_EQ(rig.prefsClicks, 1);
}

TEST_F(AboutTest, PanelCheckBoxTogglesAndStores)
{
    PanelRig rig;
    HD::UIWindow& window = rig.window();
    HD::setFloatingTooltipEnabled(true);
    rig.panel->open();
    const HD::BoundingBox check = AboutPanel::controlBox(110);
    // Anywhere on the box's line counts, as on the system's check box.
    click(window, {check.maxX - 2.0f, check.centreY()});
    EXPECT_FALSE(HD::floatingTooltipEnabled());
    EXPECT_EQ(storedTooltip(), 0);
    click(window, centreOf(check));
    EXPECT_TRUE(HD::floatingTooltipEnabled());
    EXPECT_EQ(storedTooltip(), 1);
    // Pressed on it and released off it: nothing.
    click(window, centreOf(check), {check.centreX(), check.minY - 20.0f});
    EXPECT_TRUE(HD::floatingTooltipEnabled());
    EXPECT_EQ(storedTooltip(), 1);
    // Clicks on texts and on the panel do nothing either.
    click(window, centreOf(AboutPanel::controlBox(106)));
    click(window, {400.0f, 150.0f});
    EXPECT_TRUE(HD::floatingTooltipEnabled());
    EXPECT_TRUE(rig.panel->isOpen());
    EXPECT_TRUE(rig.opened.empty());
}

TEST_F(AboutTest, PanelWebButtonAndOk)
{
    PanelRig rig;
    HD::UIWindow& window = rig.window();
    rig.panel->open();
    click(window, centreOf(AboutPanel::controlBox(104)));
    ASSERT_EQ(rig.opened.size(), 1u);
    EXPECT_EQ(rig.opened[0], about::kWebAddress);
    EXPECT_TRUE(rig.panel->isOpen());
    // OK pressed, released beside it: still open; then a real click closes.
    const HD::BoundingBox ok = AboutPanel::controlBox(1);
    click(window, centreOf(ok), {ok.maxX + 5.0f, ok.centreY()});
    EXPECT_TRUE(rig.panel->isOpen());
    click(window, centreOf(ok));
    EXPECT_FALSE(rig.panel->isOpen());
    // Closed, its controls are gone with it.
    click(window, centreOf(AboutPanel::controlBox(104)));
    EXPECT_EQ(rig.opened.size(), 1u);
}

TEST_F(AboutTest, NoWindowNoDialog)
{
    EXPECT_EQ(about::show(nullptr), -1);
    EXPECT_EQ(about::aboutPanelOf(nullptr), nullptr);
    EXPECT_EQ(about::attachAboutPanel(nullptr), nullptr);
    showAboutDialog(nullptr);  // nothing to open, and no crash
}

TEST_F(AboutTest, ShowOpensThePanelAndReturnsAtOnce)
{
    if (support::onWindows()) GTEST_SKIP() << "Windows shows the system's dialog box, modal (AboutDialogBox)";
    PanelRig rig;
    // A window without a panel has nothing to show.
    EditorFixture bare;
    EXPECT_EQ(about::show(bare.window.get()), -1);

    EXPECT_EQ(about::show(&rig.window()), 0);
    EXPECT_TRUE(rig.panel->isOpen());
    click(rig.window(), centreOf(AboutPanel::controlBox(1)));
    EXPECT_FALSE(rig.panel->isOpen());
}

namespace {

// Panel pixels: the overlay's projection (pixels from the bottom-left) over
// the panel's background colour, then the panel as the render thread draws it.
struct DrawnPanel
{
    TestGLContext gl{770, 315};
    std::unique_ptr<HD::UIFont> font = rig::tahoma(14.0f);

    std::vector<unsigned char> draw(AboutPanel& panel)
    {
        gl.makeCurrent();
        glViewport(0, 0, 770, 315);
        glClearColor(0.2f, 0.2f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glTranslatef(-1.0f, -1.0f, 0.0f);
        glScalef(2.0f / 770.0f, 2.0f / 315.0f, 1.0f);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        panel.draw();
        glFinish();
        return gl.readPixels();
    }
};

const unsigned char* at(const std::vector<unsigned char>& pixels, int x, int y) { return &pixels[(y * 770 + x) * 4]; }

bool sameColour(const unsigned char* p, int r, int g, int b)
{
    return std::abs(p[0] - r) <= 2 && std::abs(p[1] - g) <= 2 && std::abs(p[2] - b) <= 2;
}

// Pixels inside box (window units) that are not of the colour (r, g, b).
int differing(const std::vector<unsigned char>& pixels, const HD::BoundingBox& box, int r, int g, int b)
{
    int count = 0;
    for (int y = static_cast<int>(box.minY) + 1; y < static_cast<int>(box.maxY); ++y)
        for (int x = static_cast<int>(box.minX) + 1; x < static_cast<int>(box.maxX); ++x)
            if (!sameColour(at(pixels, x, y), r, g, b)) ++count;
    return count;
}

}  // namespace

TEST_F(AboutTest, PanelDrawsItsContents)
{
    DrawnPanel drawn;
    if (!drawn.gl.ok()) GTEST_SKIP() << "no OpenGL context: " << drawn.gl.error();
    ASSERT_TRUE(drawn.font && drawn.font->loaded()) << "the test face " << rig::kWineTahoma;
    drawn.gl.makeCurrent();
    drawn.font->preloadGlyphs();

    PanelRig rig;
    rig.window().font = drawn.font.get();
    struct Unset  // the window must not delete the test's font
    {
        HD::UIWindow& w;
        ~Unset() { w.font = nullptr; }
    } unset{rig.window()};

    // The background, 0.2 0.2 0 in bytes; the body 0.22 0.22 0.26; the shade
    // halves the background.
    const int bgR = 51, bodyR = 56, bodyB = 66, shadeR = 26;

    // Closed: nothing at all.
    std::vector<unsigned char> pixels = drawn.draw(*rig.panel);
    EXPECT_TRUE(sameColour(at(pixels, 400, 150), bgR, bgR, 0));
    EXPECT_TRUE(sameColour(at(pixels, 20, 20), bgR, bgR, 0));

    HD::setFloatingTooltipEnabled(false);
    rig.panel->open();
    pixels = drawn.draw(*rig.panel);
    EXPECT_TRUE(sameColour(at(pixels, 20, 20), shadeR, shadeR, 0)) << int(at(pixels, 20, 20)[0]);
    EXPECT_TRUE(sameColour(at(pixels, 700, 300), shadeR, shadeR, 0));
    EXPECT_TRUE(sameColour(at(pixels, 400, 150), bodyR, bodyR, bodyB)) << int(at(pixels, 400, 150)[0]);
    // The title bar, 0.4 0.4 0.6, right of its "About".
    EXPECT_TRUE(sameColour(at(pixels, 540, 272), 102, 102, 153));

    // Every text leaves glyph pixels in its box; the title "About" in the bar.
    for (int id : {103, 105, 106}) {
        SCOPED_TRACE(id);
        EXPECT_GT(differing(pixels, AboutPanel::controlBox(id), bodyR, bodyR, bodyB), 20);
    }
    HD::BoundingBox titleText;
    titleText.minX = 212;
    titleText.maxX = 260;
    titleText.minY = 262;
    titleText.maxY = 280;
    EXPECT_GT(differing(pixels, titleText, 102, 102, 153), 20);
    // The buttons' captions differ from their fill, 0.32 0.32 0.38.
    HD::BoundingBox okInside = AboutPanel::controlBox(1);
    okInside.minX += 3;
    okInside.maxX -= 3;
    okInside.minY += 3;
    okInside.maxY -= 3;
    EXPECT_GT(differing(pixels, okInside, 82, 82, 97), 10);
    EXPECT_GT(differing(pixels, AboutPanel::controlBox(104), 82, 82, 97), 60);
    // Each text is its own: "Haldrane" and "Parfelle" do not draw alike.
    int unlike = 0;
    const HD::BoundingBox maker = AboutPanel::controlBox(103), product = AboutPanel::controlBox(105);
    for (int y = 1; y < static_cast<int>(maker.maxY - maker.minY); ++y)
        for (int x = 1; x < static_cast<int>(maker.maxX - maker.minX); ++x)
            if (at(pixels, static_cast<int>(maker.minX) + x, static_cast<int>(maker.minY) + y)[0] !=
                at(pixels, static_cast<int>(product.minX) + x, static_cast<int>(product.minY) + y)[0])
                ++unlike;
    EXPECT_GT(unlike, 20);

    // The check mark: the square's inside changes with the flag.
    const HD::BoundingBox check = AboutPanel::controlBox(110);
    HD::BoundingBox square;
    square.minX = check.minX + 1;
    square.maxX = check.minX + 11;
    square.minY = check.centreY() - 5;
    square.maxY = check.centreY() + 5;
    const int unticked = differing(pixels, square, 82, 82, 97);
    HD::setFloatingTooltipEnabled(true);
    pixels = drawn.draw(*rig.panel);
    const int ticked = differing(pixels, square, 82, 82, 97);
    EXPECT_LE(unticked, 2);
    EXPECT_GT(ticked, 10);
}

// The render thread draws the panel over the editor while it is open and
// keeps drawing all the while.
TEST_F(AboutTest, RenderThreadDrawsThePanelWhileOpen)
{
    support::HostWindow host;
    if (!host.handle()) GTEST_SKIP() << "no host window";
    HostOwner owner(host.handle());
    auto* font = new HD::UIFont(14.0f, rig::kWineTahoma);
    std::unique_ptr<HD::UIWindow> window(new HD::UIWindow(&owner, editorRect(), font, nullptr));
    AboutPanel* panel = about::attachAboutPanel(window.get());
    HD::CreateRenderTask(window.get());
    std::vector<unsigned char> frame;
    if (!HD::captureNextFrame(window.get(), frame, 10000)) GTEST_SKIP() << "the render thread draws nothing here";

    // The editor's colour, 0.2 0.2 0, where the panel will be and beside it.
    EXPECT_TRUE(sameColour(at(frame, 400, 150), 51, 51, 0));
    EXPECT_TRUE(sameColour(at(frame, 100, 150), 51, 51, 0));

    // A frame is counted just after its capture is served: of two frames
    // captured after this, the first is surely counted.
    const long framesBefore = HD::renderStatistics(window.get()).frames;
    panel->open();
    ASSERT_TRUE(HD::captureNextFrame(window.get(), frame, 10000));
    EXPECT_TRUE(sameColour(at(frame, 400, 150), 56, 56, 66));  // the panel's body
    EXPECT_TRUE(sameColour(at(frame, 100, 150), 26, 26, 0));   // the editor, shaded
    EXPECT_GT(differing(frame, AboutPanel::controlBox(105), 56, 56, 66), 20);  // "Parfelle"

    ASSERT_TRUE(HD::captureNextFrame(window.get(), frame, 10000));
    EXPECT_GT(HD::renderStatistics(window.get()).frames, framesBefore);
    click(*window, centreOf(AboutPanel::controlBox(1)));
    EXPECT_FALSE(panel->isOpen());
    ASSERT_TRUE(HD::captureNextFrame(window.get(), frame, 10000));
    EXPECT_TRUE(sameColour(at(frame, 400, 150), 51, 51, 0));
    window.reset();  // stops the render thread first
}
