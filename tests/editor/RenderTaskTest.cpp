// The render thread in a real child window inside a parent window made here
// (an X top-level window, or a Win32 pop-up under Wine), over the real
// effect: its life cycle, the frames it draws, read back by the thread
// itself just before each swap, and the floating tooltip's arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EditorFixture.h"
#include "support/WaitUntil.h"
#include "editor/HaldParfelleView.h"
#include "editor/RenderTask.h"
#include "gui/Effect.h"
#include "gui/GL.h"
#include "gui/UIElement.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"
#include "platform/ChildWindow.h"
#include "platform/RenderThread.h"
#include "platform/SystemServices.h"
#include "support/CapturedErrors.h"
#include "support/Pixels.h"
#include "support/System.h"
#include "support/TestHostWindow.h"

using HD::UIWindow;

namespace {

constexpr int kWidth = 770;
constexpr int kHeight = 315;
constexpr int kFrameTimeout = support::kEventTimeoutMs;

const std::string kTahoma = support::hostPath("/usr/share/wine/fonts/tahoma.ttf");

using support::CapturedErrors;
using support::HostWindow;
using support::Pixel;
using support::similar;

HD::UIFont* tahoma(float size)
{
    auto* font = new HD::UIFont(size, kTahoma.c_str());
    if (font->loaded()) return font;
    delete font;
    return nullptr;
}

// An editor window in the host's window: the effect, fonts and all.
struct Editor
{
    HostWindow host;
    HostOwner owner{host.handle()};
    std::unique_ptr<UIWindow> window;

    explicit Editor(bool withFonts = true)
    {
        window.reset(new UIWindow(&owner, editorRect(), withFonts ? tahoma(14.0f) : nullptr,
                                  withFonts ? tahoma(11.0f) : nullptr));
    }

    std::vector<unsigned char> frame()
    {
        std::vector<unsigned char> pixels;
        EXPECT_TRUE(HD::captureNextFrame(window.get(), pixels, kFrameTimeout));
        return pixels;
    }
};

Pixel at(const std::vector<unsigned char>& frame, int x, int y) { return support::rgbaAt(frame, kWidth, x, y); }

// Pixels of the rectangle [x0, x1) x [y0, y1) that are not near colour.
int countUnlike(const std::vector<unsigned char>& frame, int x0, int y0, int x1, int y1, const Pixel& colour)
{
    return support::countUnlike(frame, kWidth, x0, y0, x1, y1, colour, 12);
}

// The panel's colour (0.2, 0.2, 0) in bytes.
const Pixel kBackground = {51, 51, 0};
// The status band: (0.9, 0.9, 0.9) at alpha 0.1 over the panel's colour.
const Pixel kBand = {static_cast<int>(std::lround(255 * (0.1 * 0.9 + 0.9 * 0.2))),
                     static_cast<int>(std::lround(255 * (0.1 * 0.9 + 0.9 * 0.2))),
                     static_cast<int>(std::lround(255 * (0.1 * 0.9 + 0.9 * 0.0)))};

class RenderTaskTest : public ::testing::Test
{
protected:
    void SetUp() override { HD::setFloatingTooltipEnabled(false); }
    void TearDown() override { HD::setFloatingTooltipEnabled(false); }

    // A font is needed for the status line; without Wine's fonts on the
    // machine those tests have nothing to look at.
    static bool haveFont()
    {
        std::unique_ptr<HD::UIFont> font(tahoma(14.0f));
        return font != nullptr;
    }

private:
    CapturedErrors errors_;
};

TEST_F(RenderTaskTest, StartsOnceStopsOnceAndStartsAgain)
{
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    UIWindow* window = editor.window.get();

    // Nothing runs: stopping does nothing.
    testing::internal::CaptureStdout();
    HD::DestroyRenderTask(window);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(HD::renderRunning(window));
    EXPECT_EQ(window->renderState, nullptr);
    EXPECT_EQ(HD::renderStatistics(window).frames, 0);

    HD::CreateRenderTask(window);
    ASSERT_TRUE(HD::renderRunning(window));
    const HD::RenderState* first = window->renderState.get();
    testing::internal::CaptureStdout();
    HD::CreateRenderTask(window);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "double call to CreateRenderTask()\n");
    EXPECT_EQ(window->renderState.get(), first) << "the second call must leave the running thread alone";
    EXPECT_TRUE(HD::renderRunning(window));
    EXPECT_FALSE(editor.frame().empty());

    HD::DestroyRenderTask(window);
    EXPECT_FALSE(HD::renderRunning(window));
    const long frames = HD::renderStatistics(window).frames;
    EXPECT_GE(frames, 1);
    std::vector<unsigned char> pixels;
    EXPECT_FALSE(HD::captureNextFrame(window, pixels, 200));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(HD::renderStatistics(window).frames, frames) << "a frame was drawn after the thread was stopped";
    testing::internal::CaptureStdout();
    HD::DestroyRenderTask(window);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // A new thread with new contexts draws the same panel.
    HD::CreateRenderTask(window);
    ASSERT_TRUE(HD::renderRunning(window));
    const std::vector<unsigned char> again = editor.frame();
    ASSERT_EQ(again.size(), static_cast<size_t>(kWidth) * kHeight * 4u);
    EXPECT_TRUE(similar(at(again, 700, 100), kBackground));
    HD::DestroyRenderTask(window);
    EXPECT_TRUE(CapturedErrors::empty()) << CapturedErrors::first();
}

TEST_F(RenderTaskTest, DrawsThePanelColourTheStatusBandAndTheCaption)
{
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    HD::CreateRenderTask(editor.window.get());
    const std::vector<unsigned char> frame = editor.frame();
    HD::DestroyRenderTask(editor.window.get());
    ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth) * kHeight * 4u);
    EXPECT_TRUE(CapturedErrors::empty()) << CapturedErrors::first();

    // Nothing is drawn at the corners or in the middle: the background image.
    for (auto [x, y] : {std::pair{2, 2}, std::pair{767, 2}, std::pair{385, 150}, std::pair{700, 100}}) {
        const Pixel p = at(frame, x, y);
        EXPECT_TRUE(similar(p, kBackground)) << x << "," << y << ": " << p[0] << " " << p[1] << " " << p[2];
    }
    if (!editor.window->font) GTEST_SKIP() << "no font: no status band";
    const int bandTop = 290 + static_cast<int>(editor.window->font->lineHeight());
    // The band spans x 20 to 750 from y 290 up by one line.
    for (auto [x, y] : {std::pair{21, 291}, std::pair{700, 291}, std::pair{748, bandTop - 1}}) {
        const Pixel p = at(frame, x, y);
        EXPECT_TRUE(similar(p, kBand)) << x << "," << y << ": " << p[0] << " " << p[1] << " " << p[2];
    }
    for (auto [x, y] : {std::pair{700, 288}, std::pair{700, bandTop + 1}, std::pair{18, 295}, std::pair{752, 295}})
        EXPECT_TRUE(similar(at(frame, x, y), kBackground)) << x << "," << y;
    // The version caption at x 60, and nothing from the status line.
    EXPECT_GT(countUnlike(frame, 60, 290, 220, bandTop, kBand), 50);
    EXPECT_EQ(countUnlike(frame, 300, 290, 750, bandTop, kBand), 0);

    if (!HostWindow::readsBackWindows()) return;
    // The frames reached the window itself: what the X server shows there.
    const std::vector<Pixel> shown =
        editor.host.screenshot(editor.window->childWindow()->handle(), kWidth, kHeight);
    ASSERT_EQ(shown.size(), static_cast<size_t>(kWidth) * kHeight);
    for (auto [x, y] : {std::pair{2, 2}, std::pair{385, 150}, std::pair{700, 291}, std::pair{700, 288}}) {
        const Pixel p = shown[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)];
        EXPECT_TRUE(similar(p, at(frame, x, y))) << x << "," << y << ": " << p[0] << " " << p[1] << " " << p[2];
    }
}

TEST_F(RenderTaskTest, StatusLineShowsTheActiveOrHoveredParameterAndDescriptions)
{
    if (!haveFont()) GTEST_SKIP() << "no font";
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    UIWindow* window = editor.window.get();
    static const char* const descriptions[] = {"First description", "Other"};
    window->descriptionTable.store(descriptions);
    const int bandTop = 290 + static_cast<int>(window->font->lineHeight());
    HD::CreateRenderTask(window);

    window->hoverIndex.store(0);
    const std::vector<unsigned char> hovered = editor.frame();
    // The name ends at 540, the value starts at 550.
    const int nameWidth = static_cast<int>(window->font->textWidth(window->descriptors[0].name));
    ASSERT_GT(nameWidth, 5);
    EXPECT_GT(countUnlike(hovered, 540 - nameWidth, 290, 541, bandTop, kBand), 10);
    EXPECT_EQ(countUnlike(hovered, 300, 290, 538 - nameWidth, bandTop, kBand), 0);
    EXPECT_GT(countUnlike(hovered, 550, 290, 750, bandTop, kBand), 10);
    EXPECT_EQ(countUnlike(hovered, 541, 290, 550, bandTop, kBand), 0);

    // A drag shows the dragged parameter whatever is hovered.
    window->hoverIndex.store(-1);
    window->activeIndex.store(3);
    const std::vector<unsigned char> activeOnly = editor.frame();
    window->hoverIndex.store(0);
    const std::vector<unsigned char> activeAndHovered = editor.frame();
    window->activeIndex.store(-1);
    int differing = 0;
    for (int y = 290; y < bandTop; ++y)
        for (int x = 300; x < 750; ++x)
            if (!similar(at(activeOnly, x, y), at(activeAndHovered, x, y))) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_GT(countUnlike(activeOnly, 550, 290, 750, bandTop, kBand), 10);

    // -2 shows the first description from x 500, -3 the second, -1 nothing.
    window->hoverIndex.store(-2);
    const std::vector<unsigned char> first = editor.frame();
    window->hoverIndex.store(-3);
    const std::vector<unsigned char> second = editor.frame();
    window->hoverIndex.store(-1);
    const std::vector<unsigned char> none = editor.frame();
    HD::DestroyRenderTask(window);

    const int firstWidth = static_cast<int>(window->font->textWidth(descriptions[0]));
    const int secondWidth = static_cast<int>(window->font->textWidth(descriptions[1]));
    ASSERT_GT(firstWidth, secondWidth + 20);
    EXPECT_EQ(countUnlike(first, 300, 290, 499, bandTop, kBand), 0);
    EXPECT_GT(countUnlike(first, 500, 290, 500 + firstWidth, bandTop, kBand), 10);
    // The second, shorter text leaves the end of the first's place empty.
    EXPECT_GT(countUnlike(second, 500, 290, 500 + secondWidth, bandTop, kBand), 5);
    EXPECT_EQ(countUnlike(second, 502 + secondWidth, 290, 750, bandTop, kBand), 0);
    EXPECT_EQ(countUnlike(none, 300, 290, 750, bandTop, kBand), 0);
}

TEST_F(RenderTaskTest, TooltipFadesInTowardsOneAndOutByElevenPercent)
{
    // In: 1 - 0.84^n after n frames (0.16, 0.2944, 0.407296, ...).
    EXPECT_FLOAT_EQ(HD::tooltipFadeIn(0.0f), 0.16f);
    EXPECT_FLOAT_EQ(HD::tooltipFadeIn(0.16f), 0.2944f);
    EXPECT_FLOAT_EQ(HD::tooltipFadeIn(0.2944f), 0.407296f);
    float alpha = 0.0f;
    for (int n = 1; n <= 40; ++n) {
        alpha = HD::tooltipFadeIn(alpha);
        EXPECT_NEAR(alpha, 1.0 - std::pow(0.84, n), 1e-5) << n;
    }
    EXPECT_LT(alpha, 1.0f);

    // Out: 0.89 per frame; from 1, 0.89^47 = 0.00418 is still above 1/255
    // and 0.89^48 = 0.00372 is not, so the 48th frame clears it.
    EXPECT_FLOAT_EQ(HD::tooltipFadeOut(0.5f), 0.445f);
    alpha = 1.0f;
    for (int n = 1; n <= 47; ++n) alpha = HD::tooltipFadeOut(alpha);
    EXPECT_NEAR(alpha, std::pow(0.89, 47), 1e-6);
    EXPECT_EQ(HD::tooltipFadeOut(alpha), 0.0f);
    // The cut-off itself: just above stays (times 0.89), just below goes.
    EXPECT_GT(HD::tooltipFadeOut(0.0045f), 0.0f);
    EXPECT_EQ(HD::tooltipFadeOut(0.0044f), 0.0f);  // 0.003916 < 1/255
    EXPECT_EQ(HD::tooltipFadeOut(0.0f), 0.0f);
}

TEST_F(RenderTaskTest, TooltipIsCentredAndKeptInsideFiveTo765)
{
    EXPECT_FLOAT_EQ(HD::tooltipLeft(100.0f, 40.0f), 80.0f);
    EXPECT_FLOAT_EQ(HD::tooltipLeft(10.0f, 40.0f), 5.0f);    // would start at -10
    EXPECT_FLOAT_EQ(HD::tooltipLeft(760.0f, 40.0f), 725.0f); // would end at 780
    EXPECT_FLOAT_EQ(HD::tooltipLeft(25.0f, 40.0f), 5.0f);    // exactly at the edge
    EXPECT_FLOAT_EQ(HD::tooltipLeft(745.0f, 40.0f), 725.0f);
    // Wider than the room: raised to 5 first, then the right edge wins.
    EXPECT_FLOAT_EQ(HD::tooltipLeft(385.0f, 800.0f), -35.0f);
}

// An element with a fixed extent, for the tooltip to point at.
class Pad : public HD::UIElement
{
public:
    Pad(UIWindow* window, float x0, float y0, float x1, float y1)
        : UIElement(window), box_{x0, y0, 0.0f, x1, y1, 0.0f}
    {
    }
    void getBounds(HD::BoundingBox& box) override { box.enlarge(box_); }

private:
    HD::BoundingBox box_;
};

TEST_F(RenderTaskTest, FloatingTooltipComposesTheStatusTextAndFadesInEveryFrame)
{
    if (!haveFont()) GTEST_SKIP() << "no font";
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    UIWindow* window = editor.window.get();
    auto* pad = new Pad(window, 0.0f, 100.0f, 20.0f, 140.0f);  // centre (10, 120): the tooltip is pushed to 5
    HD::setFloatingTooltipEnabled(true);
    window->hoverIndex.store(0);
    window->tooltipElement.store(pad);
    HD::CreateRenderTask(window);
    const std::vector<unsigned char> shown = editor.frame();
    editor.frame();
    HD::DestroyRenderTask(window);
    const long frames = HD::renderStatistics(window).frames;
    ASSERT_GE(frames, 2);

    char display[128] = {}, label[128] = {};
    editor.owner.effect.getParameterDisplay(0, display);
    editor.owner.effect.getParameterLabel(0, label);
    std::string expected = std::string(window->descriptors[0].name) + " " + display;
    if (label[0]) expected += std::string(" ") + label;
    EXPECT_EQ(std::string(window->tooltipText), expected);
    EXPECT_NEAR(window->tooltipAlpha, 1.0 - std::pow(0.84, static_cast<double>(frames)), 1e-4);
    const float width = window->font->textWidth(expected.c_str());
    EXPECT_FLOAT_EQ(window->tooltipBox[0], 5.0f);
    EXPECT_FLOAT_EQ(window->tooltipBox[1], 120.0f);
    EXPECT_FLOAT_EQ(window->tooltipBox[2], width);
    EXPECT_FLOAT_EQ(window->tooltipBox[3], window->font->lineHeight());
    // The box from x 0 to 5 + width + 5 over the panel, lighter than it.
    const int top = 120 + static_cast<int>(window->font->lineHeight());
    EXPECT_GT(countUnlike(shown, 0, 121, 10 + static_cast<int>(width), top - 1, kBackground), 100);
    EXPECT_TRUE(similar(at(shown, 12 + static_cast<int>(width), 125), kBackground));
    EXPECT_TRUE(similar(at(shown, 5, 118), kBackground));
}

// Draws a red block into the static background at a known place, and
// records the set-up and teardown hooks the render thread calls.
std::vector<std::string> hookLog;
std::mutex hookMutex;
void logHook(const std::string& entry)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    hookLog.push_back(entry);
}

class Marker : public HD::UIElement
{
public:
    Marker(UIWindow* window, std::string name) : UIElement(window), name_(std::move(name)) {}
    void prepareGraphics() override { logHook("prepare " + name_); }
    void afterPrepareGraphics() override { logHook("after " + name_); }
    void drawBackground(HD::UIFont* font) override
    {
        logHook("background " + name_);
        if (!font || name_ != "a") return;
        // Window units, y up: x 100 to 140, y 30 to 50.
        glColor3f(1.0f, 0.0f, 0.0f);
        glBegin(GL_QUADS);
        glVertex2f(100.0f, 30.0f);
        glVertex2f(140.0f, 30.0f);
        glVertex2f(140.0f, 50.0f);
        glVertex2f(100.0f, 50.0f);
        glEnd();
    }

private:
    std::string name_;
};

class HookEffect : public HD::Effect
{
public:
    explicit HookEffect(UIWindow* window) : Effect(window) {}
    void createResources() override { logHook("create"); }
    void releaseResources() override { logHook("release"); }
};

TEST_F(RenderTaskTest, SetsUpInOrderAndDrawsTheBackgroundImageTheRightWayUp)
{
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    UIWindow* window = editor.window.get();
    new Marker(window, "a");
    new Marker(window, "b");
    window->effects.push_back(new HookEffect(window));
    hookLog.clear();
    HD::CreateRenderTask(window);
    const std::vector<unsigned char> frame = editor.frame();
    HD::DestroyRenderTask(window);
    ASSERT_FALSE(frame.empty());
    EXPECT_TRUE(CapturedErrors::empty()) << CapturedErrors::first();

    std::vector<std::string> expected = {"prepare a", "prepare b", "after a", "after b", "create"};
    if (window->smallFont) {
        expected.push_back("background a");
        expected.push_back("background b");
    }
    expected.push_back("release");
    EXPECT_EQ(hookLog, expected);
    // Windows: the bitmap context on the 32-bit DIB section, not the fallback.
    EXPECT_EQ(HD::renderStatistics(window).background, support::onWindows()
                                                           ? HD::RenderStatistics::Background::SystemImage
                                                           : HD::RenderStatistics::Background::Framebuffer);

    if (!window->smallFont) GTEST_SKIP() << "no label font: no background drawing";
    // Red inside the block, exactly red (no channel swapped), the panel
    // colour just outside it on every side; a mirrored image would put it
    // at y 265 to 285 instead.
    for (auto [x, y] : {std::pair{101, 31}, std::pair{138, 48}, std::pair{120, 40}})
        EXPECT_TRUE(similar(at(frame, x, y), Pixel{255, 0, 0})) << x << "," << y;
    for (auto [x, y] : {std::pair{98, 40}, std::pair{142, 40}, std::pair{120, 28}, std::pair{120, 52},
                        std::pair{120, 275}})
        EXPECT_TRUE(similar(at(frame, x, y), kBackground)) << x << "," << y;
}

TEST_F(RenderTaskTest, ClosingAtOnceIsSafeAndLeavesNoThread)
{
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    UIWindow* window = editor.window.get();
    for (int i = 0; i < 20; ++i) {
        HD::CreateRenderTask(window);
        ASSERT_TRUE(HD::renderRunning(window)) << i;
        HD::DestroyRenderTask(window);
        ASSERT_FALSE(HD::renderRunning(window)) << i;
        const long frames = HD::renderStatistics(window).frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(HD::renderStatistics(window).frames, frames) << i;
    }
    // The window's own teardown stops a running thread first.
    for (int i = 0; i < 5; ++i) {
        Editor other;
        ASSERT_TRUE(other.host.ok());
        HD::CreateRenderTask(other.window.get());
        other.window.reset();
    }
    EXPECT_TRUE(CapturedErrors::empty()) << CapturedErrors::first();
}

TEST_F(RenderTaskTest, SurvivesTheHostDestroyingItsWindowFirst)
{
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    UIWindow* window = editor.window.get();
    HD::CreateRenderTask(window);
    ASSERT_FALSE(editor.frame().empty());
    // The child window goes with its parent while frames are being drawn.
    // A frame already past its check of the window may still finish; once
    // the thread has seen the window go, it draws nothing more.
    editor.host.destroy();
    ASSERT_TRUE(support::waitUntil([&] { return HD::renderStatistics(window).windowlessPasses > 0; }))
        << "the render thread never noticed that its window was destroyed";
    EXPECT_TRUE(HD::renderRunning(window));
    const HD::RenderStatistics seen = HD::renderStatistics(window);
    ASSERT_TRUE(support::waitUntil(
        [&] { return HD::renderStatistics(window).windowlessPasses >= seen.windowlessPasses + 3; }));
    EXPECT_EQ(HD::renderStatistics(window).frames, seen.frames);
    std::vector<unsigned char> pixels;
    EXPECT_FALSE(HD::captureNextFrame(window, pixels, 200));
    HD::DestroyRenderTask(window);
    EXPECT_FALSE(HD::renderRunning(window));
    EXPECT_GE(HD::renderStatistics(window).frames, 1);
    editor.window.reset();
    EXPECT_EQ(UIWindow::liveWindows(), 0);
}

TEST_F(RenderTaskTest, TwoEditorsOfTwoEffectsDrawAtOnce)
{
    Editor first, second;
    ASSERT_TRUE(first.host.ok() && second.host.ok());
    HD::CreateRenderTask(first.window.get());
    HD::CreateRenderTask(second.window.get());
    first.window->hoverIndex.store(0);
    for (int round = 0; round < 3; ++round) {
        const std::vector<unsigned char> a = first.frame();
        const std::vector<unsigned char> b = second.frame();
        ASSERT_FALSE(a.empty());
        ASSERT_FALSE(b.empty());
        EXPECT_TRUE(similar(at(a, 700, 100), kBackground));
        EXPECT_TRUE(similar(at(b, 700, 100), kBackground));
        if (first.window->font) {
            const int bandTop = 290 + static_cast<int>(first.window->font->lineHeight());
            EXPECT_GT(countUnlike(a, 550, 290, 750, bandTop, kBand), 10);
            EXPECT_EQ(countUnlike(b, 550, 290, 750, bandTop, kBand), 0);
        }
    }
    HD::DestroyRenderTask(first.window.get());
    HD::DestroyRenderTask(second.window.get());
    EXPECT_TRUE(CapturedErrors::empty()) << CapturedErrors::first();
}

TEST_F(RenderTaskTest, WithoutAWindowToDrawInTheThreadRunsAndDrawsNothing)
{
    // No host window at all (a window without a system window).
    HostOwner owner{nullptr};
    UIWindow bare(&owner, editorRect(), nullptr, nullptr);
    HD::CreateRenderTask(&bare);
    EXPECT_TRUE(HD::renderRunning(&bare));
    std::vector<unsigned char> pixels;
    EXPECT_FALSE(HD::captureNextFrame(&bare, pixels, kFrameTimeout));
    HD::DestroyRenderTask(&bare);
    EXPECT_EQ(HD::renderStatistics(&bare).frames, 0);
    EXPECT_TRUE(CapturedErrors::empty());

    // The host destroyed its window, and the editor's with it, before the
    // thread started: the failures are reported and nothing is drawn.
    Editor orphan(false);
    ASSERT_TRUE(orphan.host.ok());
    orphan.host.destroy();
    HD::CreateRenderTask(orphan.window.get());
    EXPECT_FALSE(HD::captureNextFrame(orphan.window.get(), pixels, kFrameTimeout));
    HD::DestroyRenderTask(orphan.window.get());
    EXPECT_EQ(HD::renderStatistics(orphan.window.get()).frames, 0);
    EXPECT_FALSE(CapturedErrors::empty());
}

// The figures a benchmark would give, printed for the record, never judged.
TEST_F(RenderTaskTest, FiguresFirstFrameAndProcessorTimePerFrame)
{
    Editor editor;
    ASSERT_TRUE(editor.host.ok());
    const auto start = std::chrono::steady_clock::now();
    HD::CreateRenderTask(editor.window.get());
    ASSERT_FALSE(editor.frame().empty());
    const double toCapture =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // About a second of frames at the thread's pace, however slow it is.
    ASSERT_TRUE(support::waitUntil([&] { return HD::renderStatistics(editor.window.get()).frames >= 30; }));
    HD::DestroyRenderTask(editor.window.get());
    const HD::RenderStatistics statistics = HD::renderStatistics(editor.window.get());
    ASSERT_GT(statistics.frames, 1);
    std::printf("render figures: first frame swapped %.1f ms after CreateRenderTask (captured after %.1f ms); "
                "%ld frames, %.2f ms processor time per frame\n",
                statistics.firstFrameSeconds * 1e3, toCapture * 1e3, statistics.frames,
                statistics.frameCpuSeconds * 1e3 / static_cast<double>(statistics.frames));
}

// The same for the product's whole panel, as a host opens it.
TEST_F(RenderTaskTest, FiguresForTheWholePanel)
{
    HostWindow host;
    ASSERT_TRUE(host.ok());
    HaldParfelle effect(nullptr, HaldParfelleView::create);
    auto* view = static_cast<HaldParfelleView*>(effect.getEditor());
    ASSERT_NE(view, nullptr);
    const auto start = std::chrono::steady_clock::now();
    view->open(host.handle());
    UIWindow* window = view->window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(HD::renderRunning(window));
    const double opened = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<unsigned char> pixels;
    ASSERT_TRUE(HD::captureNextFrame(window, pixels, kFrameTimeout));
    ASSERT_TRUE(support::waitUntil([&] { return HD::renderStatistics(window).frames >= 30; }));
    const HD::RenderStatistics statistics = HD::renderStatistics(window);
    view->close();
    ASSERT_GT(statistics.frames, 1);
    std::printf("render figures, whole panel: open took %.1f ms; first frame swapped %.1f ms after "
                "CreateRenderTask; %ld frames, %.2f ms processor time per frame\n",
                opened * 1e3, statistics.firstFrameSeconds * 1e3, statistics.frames,
                statistics.frameCpuSeconds * 1e3 / static_cast<double>(statistics.frames));
}

// The thread service on its own.
struct Counter
{
    std::atomic<int> frames{0};
    std::atomic<bool> finished{false};
    int busyMilliseconds = 0;
};

void countFrames(platform::RenderThread& thread, void* argument)
{
    auto* counter = static_cast<Counter*>(argument);
    do ++counter->frames;
    while (!thread.waitForQuit(5));
    // A body that takes its time to end after the quit request.
    std::this_thread::sleep_for(std::chrono::milliseconds(counter->busyMilliseconds));
    counter->finished = true;
}

TEST(RenderThread, WaitsForTheBodyEvenPastTheGracePeriod)
{
    Counter quick;
    int error = -1;
    auto thread = platform::RenderThread::start(countFrames, &quick, error);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(error, 0);
    while (quick.frames < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    testing::internal::CaptureStderr();
    thread->stop(5000);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(quick.finished);
    const int frames = quick.frames;
    thread->stop(5000);  // again: nothing
    EXPECT_EQ(quick.frames, frames);

    Counter slow;
    slow.busyMilliseconds = 300;
    thread = platform::RenderThread::start(countFrames, &slow, error);
    ASSERT_NE(thread, nullptr);
    testing::internal::CaptureStderr();
    thread->stop(20);
    const std::string note = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(slow.finished) << "stop returned while the body still ran";
    EXPECT_NE(note.find("render thread still busy after 20 ms"), std::string::npos) << note;
    thread.reset();
}

}  // namespace
