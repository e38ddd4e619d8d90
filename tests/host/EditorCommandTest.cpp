// The editor command: the host's window and its screenshot (an OpenGL child
// window must show in it, as the editor's does), the command line, and the
// built Parfelle's editor captured after two seconds, read back with libpng.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "HostTestSupport.h"
#include "platform/HostWindow.h"
#include "tests/gui/WaitUntil.h"
#include "tools/Editor.h"
#include "tools/HostCommand.h"
#include "tools/PluginHost.h"

#if defined(_WIN32)
#include <windows.h>

#include <GL/gl.h>
#else
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

using namespace host;
using namespace host_test;

namespace {

struct Rgb
{
    int r, g, b;
};

// A PNG read back through libpng's simplified reader, which the writer
// under test does not use.
struct PngPicture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Rgb at(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    bool oneColour() const
    {
        for (size_t i = 3; i < rgb.size(); i += 3)
            if (rgb[i] != rgb[0] || rgb[i + 1] != rgb[1] || rgb[i + 2] != rgb[2]) return false;
        return true;
    }
};

bool readPng(const std::string& path, PngPicture& picture, std::string& error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

::testing::AssertionResult closeTo(Rgb seen, Rgb expected, int tolerance, const std::string& where)
{
    if (std::abs(seen.r - expected.r) <= tolerance && std::abs(seen.g - expected.g) <= tolerance &&
        std::abs(seen.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << where << ": (" << seen.r << ", " << seen.g << ", " << seen.b
                                         << "), expected (" << expected.r << ", " << expected.g << ", " << expected.b
                                         << ") within " << tolerance;
}

// A child window of parent at (left, top) whose OpenGL context clears it
// to a colour and shows it, as the editor's render thread does each frame.
class GLChild
{
public:
    GLChild(void* parent, int left, int top, int width, int height, float r, float g, float b);
    ~GLChild();
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
#if defined(_WIN32)
    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
    HGLRC context_ = nullptr;
#else
    Display* display_ = nullptr;
    Window window_ = 0;
    Colormap colormap_ = 0;
    GLXContext context_ = nullptr;
#endif
};

#if defined(_WIN32)
GLChild::GLChild(void* parent, int left, int top, int width, int height, float r, float g, float b)
{
    // A class of its own: nothing but OpenGL paints it.
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "parfelle-test-gl-child";
    RegisterClassA(&windowClass);
    hwnd_ = CreateWindowExA(0, "parfelle-test-gl-child", "", WS_CHILD | WS_VISIBLE, left, top, width, height,
                            static_cast<HWND>(parent), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return;
    dc_ = GetDC(hwnd_);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 16;
    const int chosen = ChoosePixelFormat(dc_, &format);
    if (!chosen || !SetPixelFormat(dc_, chosen, &format)) return;
    context_ = wglCreateContext(dc_);
    if (!context_ || !wglMakeCurrent(dc_, context_)) return;
    glViewport(0, 0, width, height);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(dc_);
    glFinish();
    ok_ = true;
}

GLChild::~GLChild()
{
    wglMakeCurrent(nullptr, nullptr);
    if (context_) wglDeleteContext(context_);
    if (dc_) ReleaseDC(hwnd_, dc_);
    if (hwnd_) DestroyWindow(hwnd_);
}
#else
GLChild::GLChild(void* parent, int left, int top, int width, int height, float r, float g, float b)
{
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    const int screen = DefaultScreen(display_);
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
    XVisualInfo* visual = glXChooseVisual(display_, screen, attributes);
    if (!visual) return;
    colormap_ = XCreateColormap(display_, RootWindow(display_, screen), visual->visual, AllocNone);
    XSetWindowAttributes windowAttributes{};
    windowAttributes.colormap = colormap_;
    windowAttributes.border_pixel = 0;
    window_ = XCreateWindow(display_, static_cast<Window>(reinterpret_cast<uintptr_t>(parent)), left, top,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, visual->depth,
                            InputOutput, visual->visual, CWColormap | CWBorderPixel, &windowAttributes);
    XMapWindow(display_, window_);
    XSync(display_, False);
    context_ = glXCreateContext(display_, visual, nullptr, True);
    XFree(visual);
    if (!context_ || !glXMakeCurrent(display_, window_, context_)) return;
    glViewport(0, 0, width, height);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glXSwapBuffers(display_, window_);
    glFinish();
    XSync(display_, False);
    ok_ = true;
}

GLChild::~GLChild()
{
    if (!display_) return;
    glXMakeCurrent(display_, None, nullptr);
    if (context_) glXDestroyContext(display_, context_);
    if (window_) XDestroyWindow(display_, window_);
    if (colormap_) XFreeColormap(display_, colormap_);
    XCloseDisplay(display_);
}
#endif

#if defined(_WIN32)
// Under Wine an OpenGL child's pixels live in an off-screen X window of
// Wine's own (a child of a 1 x 1 window at -1, -1), which GDI copies do not
// see. The tests find it with xwininfo and read it with ImageMagick's
// import, Unix programs that Wine starts through CreateProcess (without a
// handle to wait on: each writes a file under a temporary name, then
// renames it, and the file is waited for).
bool underWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

bool runUnixCommand(const std::string& command, const std::string& output, std::string& error)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t full[MAX_PATH];
    const std::wstring wide(output.begin(), output.end());
    char* unixName = toUnix && GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr) ? toUnix(full) : nullptr;
    if (!unixName) {
        error = "no Unix name for " + output;
        return false;
    }
    const std::string target = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    std::remove(output.c_str());
    std::string line = "/bin/sh -c \"" + command + " >'" + target + ".part' && mv '" + target + ".part' '" + target + "'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        error = "cannot start " + line;
        return false;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    for (int i = 0; i < 300; ++i) {
        if (std::FILE* file = std::fopen(output.c_str(), "rb")) {
            std::fclose(file);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "nothing came of " + line + " (tools/install-deps.sh installs imagemagick and x11-utils)";
    return false;
}

// The ids of Wine's off-screen windows of this size.
std::vector<unsigned long> wineOffscreenWindows(int width, int height, std::string& error)
{
    ScratchFile tree("xwininfo-tree.txt");
    std::vector<unsigned long> found;
    if (!runUnixCommand("xwininfo -root -tree", tree.path(), error)) return found;
    std::FILE* file = std::fopen(tree.path().c_str(), "rb");
    if (!file) return found;
    // Window lines with their indentation; a window's parent is the nearest
    // line above it that is indented less.
    std::vector<std::pair<size_t, std::string>> lines;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, file)) {
        const std::string text = buffer;
        const size_t indent = text.find_first_not_of(' ');
        if (indent != std::string::npos && text.compare(indent, 2, "0x") == 0) lines.emplace_back(indent, text);
    }
    std::fclose(file);
    const std::string size = " " + std::to_string(width) + "x" + std::to_string(height) + "+0+0 ";
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].second.find(size) == std::string::npos) continue;
        for (size_t j = i; j-- > 0;) {
            if (lines[j].first >= lines[i].first) continue;
            if (lines[j].second.find(" 1x1+-1+-1 ") != std::string::npos)
                found.push_back(std::stoul(lines[i].second.substr(lines[i].first), nullptr, 16));
            break;
        }
    }
    return found;
}

// The one off-screen window of this size that is in after and not before.
unsigned long newWindow(const std::vector<unsigned long>& before, const std::vector<unsigned long>& after,
                        std::string& error)
{
    std::vector<unsigned long> fresh;
    for (unsigned long id : after)
        if (std::find(before.begin(), before.end(), id) == before.end()) fresh.push_back(id);
    if (fresh.size() != 1) {
        error = "expected one new off-screen Wine window, found " + std::to_string(fresh.size());
        return 0;
    }
    return fresh[0];
}

bool importXWindow(unsigned long id, const std::string& png, std::string& error)
{
    char command[96];
    std::snprintf(command, sizeof command, "import -window 0x%lx png:-", id);
    return runUnixCommand(command, png, error);
}
#endif

}  // namespace

#if defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)
// The built host is a process of its own, without the connection that keeps
// Mesa loaded in this one (KeepDriverLoaded.cpp); its leaks are checked
// in-process by the tests that call runEditor.
constexpr const char* kChildLeakOptions = "ASAN_OPTIONS=detect_leaks=0";
#elif !defined(_WIN32)
constexpr const char* kChildLeakOptions = nullptr;
#endif

// The method the editor command captures with must see what OpenGL drew in
// a child window, and only there.
TEST(HostWindow, ScreenshotShowsAnOpenGLChildWindow)
{
    std::string error;
    auto window = platform::HostWindow::create("capture test", 200, 120, error);
    ASSERT_TRUE(window) << error << " (is DISPLAY set?)";
    window->raise();
    // Orange: each channel distinct, so a swapped order shows.
#if defined(_WIN32)
    const std::vector<unsigned long> before = underWine() ? wineOffscreenWindows(100, 60, error) : std::vector<unsigned long>{};
#endif
    GLChild child(window->handle(), 50, 30, 100, 60, 1.0f, 0.5f, 0.0f);
    ASSERT_TRUE(child.ok()) << "no OpenGL child window";

    platform::Screenshot picture;
    bool captureFailed = false;
    // The first frames of a software renderer can take a while to reach the
    // screen. Under Wine they never do (below): two seconds show that.
    int timeout = test_wait::kEventTimeoutMs;
#if defined(_WIN32)
    if (underWine()) timeout = 2000;
#endif
    const bool captured = test_wait::waitUntil(
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
#if defined(_WIN32)
    if (underWine()) {
        // Wine's defect: GDI sees black where OpenGL drew. The content is
        // checked where Wine keeps it, the child's own off-screen window.
        EXPECT_FALSE(captured) << "Wine now copies OpenGL children: the outside capture may go";
        ScratchFile outside("editor-gl-child.png");
        const unsigned long id = newWindow(before, wineOffscreenWindows(100, 60, error), error);
        ASSERT_NE(id, 0u) << error;
        ASSERT_TRUE(importXWindow(id, outside.path(), error)) << error;
        PngPicture child;
        ASSERT_TRUE(readPng(outside.path(), child, error)) << error;
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
    } else
#endif
    {
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
    ASSERT_TRUE(readPng(file.path(), back, error)) << error;
    ASSERT_EQ(back.width, 37);
    ASSERT_EQ(back.height, 11);
    EXPECT_EQ(back.rgb, picture.rgb);
    EXPECT_EQ(back.at(36, 10).r, (36 * 7) & 0xff);
    EXPECT_EQ(back.at(0, 10).g, 230);

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
#if defined(PARFELLE_HOST_EXE)
    const std::string log = png + ".log";
    const std::string command = (kChildLeakOptions ? std::string(kChildLeakOptions) + " " : std::string()) + "\"" +
                                std::string(PARFELLE_HOST_EXE) + "\" editor \"" + parfelleFile() +
                                "\" --screenshot \"" + png + "\" --after 2 >\"" + log + "\" 2>&1";
    const int status = std::system(command.c_str());
    if (std::FILE* file = std::fopen(log.c_str(), "rb")) {
        char buffer[512];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) output.append(buffer, got);
        std::fclose(file);
    }
    std::remove(log.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
    const Outcome result = run({"editor", parfelleFile(), "--screenshot", png, "--after", "2"});
    output = result.out + result.err;
    return result.code;
#endif
}

#if defined(_WIN32)
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
    test_wait::waitUntil([&] {
        for (int i = 0; i < kEditorIdleRate / 5; ++i) {
            window->processEvents();
            plugin.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 / kEditorIdleRate));
        }
        after = wineOffscreenWindows(770, 315, error);
        id = after.size() > before.size() ? newWindow(before, after, error) : 0;
        PngPicture picture;
        ok = id != 0 && importXWindow(id, png, error) && readPng(png, picture, error) && !picture.oneColour();
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
#endif

}  // namespace

TEST(EditorCommand, ScreenshotOfParfellesEditor)
{
    ScratchFile file("editor-screenshot.png");
    std::string output;
    ASSERT_EQ(screenshotEditor(file.path(), output), kExitSuccess) << output;
    EXPECT_TRUE(contains(output, "770 x 315")) << output;

    PngPicture picture;
    std::string error;
    ASSERT_TRUE(readPng(file.path(), picture, error)) << error;
    ASSERT_EQ(picture.width, 770);
    ASSERT_EQ(picture.height, 315);
    ASSERT_EQ(picture.rgb.size(), 770u * 315u * 3u);
    int cut = 0;  // columns and rows missing at the left and top
#if defined(_WIN32)
    ScratchFile outside("editor-screenshot-outside.png");
    bool drewWithOpenGL = false;
    if (underWine()) {
        // The command's own picture cannot show the OpenGL child here.
        ASSERT_TRUE(captureEditorUnderWine(outside.path(), drewWithOpenGL, error)) << error;
    }
    if (drewWithOpenGL) {
        ASSERT_TRUE(readPng(outside.path(), picture, error)) << error;
        cut = 770 - picture.width;  // see ScreenshotShowsAnOpenGLChildWindow
        ASSERT_TRUE(cut == 0 || cut == 1) << picture.width;
        ASSERT_EQ(picture.height, 315 - cut);
    }
#endif

    const Rgb first = picture.at(0, 0);
    ASSERT_FALSE(picture.oneColour()) << "the editor drew nothing: the whole picture is (" << first.r << ", "
                                      << first.g << ", " << first.b << ")";
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

#if defined(PARFELLE_HOST_EXE)
namespace {

// The top-level window whose _NET_WM_PID is pid, or 0.
Window windowOfProcess(Display* display, pid_t pid)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &data) == Success &&
            data && items == 1 && format == 32 && static_cast<pid_t>(*reinterpret_cast<long*>(data)) == pid)
            found = children[i];
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return found;
}

// Waits up to seconds for the process to end; its exit status, or -1.
int waitForExit(pid_t pid, double seconds)
{
    for (int i = 0; i < static_cast<int>(seconds * 20); ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -2;
}

}  // namespace

// Without --screenshot the editor stays until the user closes the window
// (here the close request a window manager sends), then ends cleanly.
TEST(EditorCommand, RunsUntilTheUserClosesTheWindow)
{
    const std::string exe = PARFELLE_HOST_EXE;
    const std::string plugin = parfelleFile();
    char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>("editor"), const_cast<char*>(plugin.c_str()),
                    nullptr};
    // Its report is not the test's.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    // First, so that it wins over any setting inherited.
    std::vector<char*> environment;
    if (kChildLeakOptions) environment.push_back(const_cast<char*>(kChildLeakOptions));
    for (char** variable = environ; *variable; ++variable) environment.push_back(*variable);
    environment.push_back(nullptr);
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "is DISPLAY set?";

    Window window = 0;
    test_wait::waitUntil([&] { return (window = windowOfProcess(display, pid)) != 0; });
    if (window) {
        char* name = nullptr;
        XFetchName(display, window, &name);
        EXPECT_STREQ(name, "Parfelle");
        if (name) XFree(name);
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, window, &attributes);
        EXPECT_EQ(attributes.width, 770);
        EXPECT_EQ(attributes.height, 315);
        // Still there a second later: nothing but the user ends it.
        EXPECT_EQ(waitForExit(pid, 1.0), -2);

        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &close);
        XFlush(display);
    }
    XCloseDisplay(display);
    const int code = window ? waitForExit(pid, test_wait::kEventTimeoutMs / 1000.0) : -2;
    if (code == -2) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_NE(window, 0u) << "the host's window never appeared";
    EXPECT_EQ(code, kExitSuccess);
}
#endif
