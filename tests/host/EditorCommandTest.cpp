// The editor command: the host's window and its screenshot (an OpenGL child
// window must show in it, as the editor's does), the command line, and the
// built Parfelle's editor captured after two seconds, read back with libpng.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "HostTestSupport.h"
#include "platform/HostWindow.h"
#include "tools/Editor.h"
#include "tools/HostCommand.h"
#include "tools/PluginHost.h"
#include "support/ChildProcess.h"
#include "support/Pixels.h"
#include "support/System.h"
#include "support/TestGLContext.h"
#include "support/WaitUntil.h"
#include "support/Wine.h"


using namespace host;
using namespace host_test;

using support::closeTo;
using support::newWindow;
using support::underWine;
using support::wineOffscreenWindows;
using support::importXWindow;
using PngPicture = support::Picture;
using Rgb = support::Pixel;

// The method the editor command captures with must see what OpenGL drew in
// a child window, and only there.
TEST(HostWindow, ScreenshotShowsAnOpenGLChildWindow)
{
    std::string error;
    auto window = platform::HostWindow::create("capture test", 200, 120, error);
    ASSERT_TRUE(window) << error << " (is DISPLAY set?)";
    window->raise();
    // Orange: each channel distinct, so a swapped order shows.
    const std::vector<unsigned long> before = underWine() ? wineOffscreenWindows(100, 60, error) : std::vector<unsigned long>{};
    TestGLContext child(window->handle(), 50, 30, 100, 60);
    ASSERT_TRUE(child.ok()) << "no OpenGL child window: " << child.error();
    child.fill(1.0f, 0.5f, 0.0f);

    platform::Screenshot picture;
    bool captureFailed = false;
    // The first frames of a software renderer can take a while to reach the
    // screen. Under Wine they never do (below): two seconds show that.
    int timeout = support::kEventTimeoutMs;
    if (underWine()) timeout = 2000;
    const bool captured = support::waitUntil(
        [&] {
            window->processEvents();
            window->raise();
            if (!window->capture(picture, error)) return captureFailed = true;
            return picture.rgb[(static_cast<size_t>(60) * 200 + 100) * 3] == 255;
        },
        timeout);
    ASSERT_FALSE(captureFailed) << error;
    ASSERT_EQ(picture.width, 200);
    ASSERT_EQ(picture.height, 120);
    ASSERT_EQ(picture.rgb.size(), 200u * 120u * 3u);
    auto pixel = [&](int x, int y) {
        const size_t i = (static_cast<size_t>(y) * 200 + static_cast<size_t>(x)) * 3;
        return Rgb{picture.rgb[i], picture.rgb[i + 1], picture.rgb[i + 2]};
    };
    // Inside the child, its corners included: 0.5 is 127.5, either way.
    const std::pair<int, int> inside[] = {{100, 60}, {50, 30}, {149, 30}, {50, 89}, {149, 89}};
    if (underWine()) {
        // Wine's defect: GDI sees black where OpenGL drew. The content is
        // checked where Wine keeps it, the child's own off-screen window.
        EXPECT_FALSE(captured) << "Wine now copies OpenGL children: the outside capture may go";
        ScratchFile outside("editor-gl-child.png");
        const unsigned long id = newWindow(before, wineOffscreenWindows(100, 60, error), error);
        ASSERT_NE(id, 0u) << error;
        ASSERT_TRUE(importXWindow(id, outside.path(), error)) << error;
        PngPicture child;
        ASSERT_TRUE(support::readPng(outside.path(), child, error)) << error;
        // import leaves out what lies off the screen: the window sits at
        // (-1, -1), so its first column and row.
        const int cut = 100 - child.width;
        ASSERT_TRUE(cut == 0 || cut == 1) << child.width;
        ASSERT_EQ(child.height, 60 - cut);
        for (auto [x, y] : inside) {
            if (x - 50 < cut || y - 30 < cut) continue;
            EXPECT_TRUE(closeTo(child.at(x - 50 - cut, y - 30 - cut), {255, 128, 0}, 1,
                                "child at " + std::to_string(x) + "," + std::to_string(y)));
        }
        EXPECT_TRUE(closeTo(child.at(0, 0), {255, 128, 0}, 1, "the child's first pixel captured"));
    } else {
        EXPECT_TRUE(captured) << "the OpenGL content never appeared in the capture";
        for (auto [x, y] : inside)
            EXPECT_TRUE(closeTo(pixel(x, y), {255, 128, 0}, 1, "child at " + std::to_string(x) + "," + std::to_string(y)));
    }
    // Just outside it, the host window's black.
    for (auto [x, y] : {std::pair{49, 60}, {150, 60}, {100, 29}, {100, 90}, {0, 0}, {199, 119}})
        EXPECT_TRUE(closeTo(pixel(x, y), {0, 0, 0}, 0, "host at " + std::to_string(x) + "," + std::to_string(y)));
}

TEST(HostWindow, SavedPngReadsBackTheSamePixels)
{
    // Every pixel different from its neighbours, every channel over its range.
    platform::Screenshot picture;
    picture.width = 37;
    picture.height = 11;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            picture.rgb.push_back(static_cast<uint8_t>(x * 7));
            picture.rgb.push_back(static_cast<uint8_t>(y * 23));
            picture.rgb.push_back(static_cast<uint8_t>((x * 11 + y * 5) & 0xff));
        }
    ScratchFile file("editor-roundtrip.png");
    std::string error;
    ASSERT_TRUE(writePngFile(file.path(), picture, error)) << error;
    PngPicture back;
    ASSERT_TRUE(support::readPng(file.path(), back, error)) << error;
    ASSERT_EQ(back.width, 37);
    ASSERT_EQ(back.height, 11);
    EXPECT_EQ(back.rgb, picture.rgb);
    EXPECT_EQ(back.at(36, 10)[0], (36 * 7) & 0xff);
    EXPECT_EQ(back.at(0, 10)[1], 230);

    platform::Screenshot empty;
    EXPECT_FALSE(writePngFile(file.path(), empty, error));
    EXPECT_FALSE(writePngFile("no-such-folder/x.png", picture, error));
    EXPECT_TRUE(contains(error, "no-such-folder/x.png")) << error;
}

TEST(EditorCommand, UsageErrorsAndPluginsWithoutAnEditor)
{
    struct Case
    {
        std::vector<std::string> arguments;
        std::string expected;
    };
    const Case cases[] = {
        {{"editor", "a.so", "b.so"}, "editor takes one plug-in"},
        {{"editor", "--screenshot", "x.png"}, "--screenshot and --after go together"},
        {{"editor", "--after", "2"}, "--screenshot and --after go together"},
        {{"editor", "--screenshot", "x.png", "--after", "soon"}, "--after takes a number"},
        {{"editor", "--screenshot", "x.png", "--after", "-1"}, "--after takes a number"},
        {{"editor", "--block", "64"}, "editor does not take --block"},
        {{"editor", "--set", "Feedback"}, "expected NAME=VALUE"},
    };
    for (const Case& c : cases) {
        const Outcome result = run(c.arguments);
        EXPECT_EQ(result.code, kExitUsage) << c.expected;
        EXPECT_TRUE(contains(result.err, c.expected)) << result.err;
    }
    EXPECT_TRUE(contains(run({"--help"}).out, "--screenshot FILE"));

    // The probe plug-in has no editor: said, and nothing opened.
    const Outcome probe = run({"editor", probeFile(), "--screenshot", "host-test-none.png", "--after", "0"});
    EXPECT_EQ(probe.code, kExitFailure);
    EXPECT_TRUE(contains(probe.err, "has no editor")) << probe.err;
    std::FILE* none = std::fopen("host-test-none.png", "rb");
    EXPECT_EQ(none, nullptr);
    if (none) std::fclose(none);

    const Outcome missing = run({"editor", "no-such-plugin.so"});
    EXPECT_EQ(missing.code, kExitFailure);
    EXPECT_TRUE(contains(missing.err, "no such file")) << missing.err;
}

// In-process, for the loop's own counts: the demo goes through the plug-in
// no faster than the wall clock, in whole blocks, while idle keeps coming.
TEST(EditorCommand, ProcessesAudioAtTheClocksPace)
{
    ScratchFile file("editor-pace.png");
    EditorOptions options;
    options.pluginPath = parfelleFile();
    options.screenshotPath = file.path();
    options.screenshotAfter = 1.0;
    std::ostringstream report;
    EditorResult result;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(runEditor(options, report, result, error)) << error;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.width, 770);
    EXPECT_EQ(result.height, 315);
    EXPECT_GT(result.framesProcessed, 0);
    EXPECT_EQ(result.framesProcessed % kEditorBlockSize, 0);
    EXPECT_LE(static_cast<double>(result.framesProcessed), elapsed * 44100.0);
    EXPECT_GT(result.idleCalls, 1);
    EXPECT_TRUE(contains(report.str(), "Editor: " + result.effectName + ", 770 x 315")) << report.str();
}

namespace {

// The editor of the built plug-in after two seconds: through the built
// executable on Linux (its real exit status), in-process under Wine.
int screenshotEditor(const std::string& png, std::string& output)
{
    if (*PARFELLE_HOST_EXE) {
    const char* leakOptions = support::childLeakOptions();
    const std::string log = png + ".log";
    const std::string command = (leakOptions ? std::string(leakOptions) + " " : std::string()) + "\"" +
                                std::string(PARFELLE_HOST_EXE) + "\" editor \"" + parfelleFile() +
                                "\" --screenshot \"" + png + "\" --after 2 >\"" + log + "\" 2>&1";
    const int status = support::runCommand(command);
    if (std::FILE* file = std::fopen(log.c_str(), "rb")) {
        char buffer[512];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) output.append(buffer, got);
        std::fclose(file);
    }
    std::remove(log.c_str());
    return status;
    }
    const Outcome result = run({"editor", parfelleFile(), "--screenshot", png, "--after", "2"});
    output = result.out + result.err;
    return result.code;
}

// Parfelle's editor open for two seconds in the host's window, its OpenGL
// child captured from outside (see importWineWindow).
bool captureEditorUnderWine(const std::string& png, bool& drewWithOpenGL, std::string& error)
{
    drewWithOpenGL = false;
    PluginHost plugin;
    if (!plugin.load(parfelleFile(), error)) return false;
    plugin.open();
    plugin.setSampleRate(44100.0);
    plugin.setBlockSize(kEditorBlockSize);
    plugin.resume();
    const std::vector<unsigned long> before = wineOffscreenWindows(770, 315, error);
    auto window = platform::HostWindow::create("Parfelle", 770, 315, error);
    if (!window) return false;
    plugin.dispatch(effEditOpen, 0, 0, window->handle());
    // Idle at the host's pace until Wine's window for the editor holds a
    // drawn panel, however long the first frames take.
    std::vector<unsigned long> after;
    unsigned long id = 0;
    bool ok = false;
    support::waitUntil([&] {
        for (int i = 0; i < kEditorIdleRate / 5; ++i) {
            window->processEvents();
            plugin.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 / kEditorIdleRate));
        }
        after = wineOffscreenWindows(770, 315, error);
        id = after.size() > before.size() ? newWindow(before, after, error) : 0;
        PngPicture picture;
        ok = id != 0 && importXWindow(id, png, error) && support::readPng(png, picture, error) && !picture.oneColour();
        return ok;
    });
    // No OpenGL window at all: nothing drawn, which the command's own
    // picture shows as well as any.
    drewWithOpenGL = after.size() > before.size();
    ok = ok || !drewWithOpenGL;
    plugin.dispatch(effEditClose);
    plugin.close();
    return ok;
}

}  // namespace

TEST(EditorCommand, ScreenshotOfParfellesEditor)
{
    ScratchFile file("editor-screenshot.png");
    std::string output;
    ASSERT_EQ(screenshotEditor(file.path(), output), kExitSuccess) << output;
    EXPECT_TRUE(contains(output, "770 x 315")) << output;

    PngPicture picture;
    std::string error;
    ASSERT_TRUE(support::readPng(file.path(), picture, error)) << error;
    ASSERT_EQ(picture.width, 770);
    ASSERT_EQ(picture.height, 315);
    ASSERT_EQ(picture.rgb.size(), 770u * 315u * 3u);
    int cut = 0;  // columns and rows missing at the left and top
    ScratchFile outside("editor-screenshot-outside.png");
    bool drewWithOpenGL = false;
    if (underWine()) {
        // The command's own picture cannot show the OpenGL child here.
        ASSERT_TRUE(captureEditorUnderWine(outside.path(), drewWithOpenGL, error)) << error;
    }
    if (drewWithOpenGL) {
        ASSERT_TRUE(support::readPng(outside.path(), picture, error)) << error;
        cut = 770 - picture.width;  // see ScreenshotShowsAnOpenGLChildWindow
        ASSERT_TRUE(cut == 0 || cut == 1) << picture.width;
        ASSERT_EQ(picture.height, 315 - cut);
    }

    const Rgb first = picture.at(0, 0);
    ASSERT_FALSE(picture.oneColour()) << "the editor drew nothing: the whole picture is (" << first[0] << ", "
                                      << first[1] << ", " << first[2] << ")";
    // The panel's coordinates count y up from the bottom edge.
    auto panel = [&](int x, int y) { return picture.at(x - cut, 314 - y - cut); };
    const Rgb background{51, 51, 0};  // (0.2, 0.2, 0) of 255
    struct Place
    {
        int x, y;
        const char* what;
    };
    const Place gaps[] = {
        {111, 40, "between Delay and Mix"},   {220, 40, "between Mix and Filter"},
        {461, 40, "between Filter and Sync"}, {300, 72, "between the two rows"},
        {300, 4, "under the groups"},         {200, 280, "between the waveform and the status band"},
        {764, 200, "right of the waveform"},
    };
    for (const Place& place : gaps) EXPECT_TRUE(closeTo(panel(place.x, place.y), background, 2, place.what));

    // The status band from y = 290: grey 0.9 at alpha 0.1 over the
    // background, 0.9 * 0.1 + 0.2 * 0.9 = 0.27 (68.85) and 0.09 (22.95) for blue.
    // At x = 30 it lies left of every text of that line.
    EXPECT_TRUE(closeTo(panel(30, 292), {69, 69, 23}, 2, "the status band"));
    EXPECT_TRUE(closeTo(panel(30, 286), background, 2, "just under the status band"));
}
