// Linux: the built host executable as a process of its own: its exit codes,
// its log of a user's knob drag, and its editor staying until the user
// closes its window.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "support/ChildProcess.h"
#include "support/WaitUntil.h"
#include "tools/AudioFile.h"
#include "tools/HostCommand.h"

extern char** environ;

using namespace host;
using namespace host_test;

namespace {
// Runs the built executable with arguments (each quoted), output to a file.
int runExecutable(const std::string& arguments, const std::string& outputPath)
{
    const std::string command = "\"" + std::string(PARFELLE_HOST_EXE) + "\" " + arguments + " >" + outputPath + " 2>&1";
    return support::runCommand(command);
}
}  // namespace

TEST(HostExecutable, ExitCodesAndTheDefaultPlugin)
{
    ScratchFile log("exe.log");
    ScratchFile out("exe.flac");
    // No plug-in named: the Parfelle build beside the executable.
    EXPECT_EQ(runExecutable("render '" + out.path() + "' --set 'Delay Time=0.75' --tail 1", log.path()), 0);
    AudioData data;
    std::string error;
    ASSERT_TRUE(readAudioFile(out.path(), data, error)) << error;
    EXPECT_EQ(data.frames(), 7 * 44100);
    EXPECT_EQ(data.channels, 2);

    EXPECT_EQ(runExecutable("info host-test-absent.so", log.path()), 1);
    EXPECT_EQ(runExecutable("render", log.path()), 2);
    EXPECT_EQ(runExecutable("render '" + out.path() + "' --set 'Nothing=1'", log.path()), 1);
}

// What --verbose shows a user turning a knob of the editor: the executable on
// the test's X server, and a real pointer drag (xdotool) up "Feedback" from
// its default 70 % by 10 and then 20 pixels.
TEST(HostExecutable, EditorVerboseLogsAKnobDragAsOneEdit)
{
    ScratchFile log("editor-verbose.log");
    ScratchFile shot("editor-verbose.png");
    const std::string command = "( \"" + std::string(PARFELLE_HOST_EXE) + "\" editor --verbose --screenshot '" +
                                shot.path() + "' --after 4 >" + log.path() +
                                " 2>&1 & xdotool search --sync --name '^Parfelle$' sleep 1.5"
                                " mousemove --window %1 79 278 mousedown 1 mousemove --window %1 79 268"
                                " mousemove --window %1 79 258 mouseup 1; wait ) >/dev/null 2>&1";
    ASSERT_EQ(support::runCommand(command), 0);
    std::FILE* file = std::fopen(log.path().c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);

    const size_t begin = text.find("plug-in request: audioMasterBeginEdit (index 1, value 0)\n");
    const size_t first = text.find("plug-in request: audioMasterAutomate (index 1, value 0.75)\n");
    const size_t last = text.find("plug-in request: audioMasterAutomate (index 1, value 0.8)\n");
    const size_t end = text.find("plug-in request: audioMasterEndEdit (index 1, value 0)\n");
    const size_t refresh = text.find("plug-in request: audioMasterUpdateDisplay", end == std::string::npos ? 0 : end);
    ASSERT_NE(begin, std::string::npos) << text;
    ASSERT_NE(last, std::string::npos) << text;
    ASSERT_NE(end, std::string::npos) << text;
    // The first move may come merged with the second; the order may not change.
    if (first != std::string::npos) {
        EXPECT_LT(first, last) << text;
    }
    EXPECT_LT(begin, last) << text;
    EXPECT_LT(last, end) << text;
    EXPECT_NE(refresh, std::string::npos) << text;
    EXPECT_EQ(text.find("audioMasterBeginEdit", last), std::string::npos) << "one edit only\n" << text;
}

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

// Waits up to seconds for the process to end: its exit status, -1 if it
// did not end normally, -2 if it is still running.
int waitForExit(pid_t pid, double seconds)
{
    int code = -2;
    support::waitUntil(
        [&] {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) != pid) return false;
            code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        },
        static_cast<int>(seconds * 1000));
    return code;
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
    if (const char* leakOptions = support::childLeakOptions()) environment.push_back(const_cast<char*>(leakOptions));
    for (char** variable = environ; *variable; ++variable) environment.push_back(*variable);
    environment.push_back(nullptr);
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "is DISPLAY set?";

    Window window = 0;
    support::waitUntil([&] { return (window = windowOfProcess(display, pid)) != 0; });
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
    const int code = window ? waitForExit(pid, support::kEventTimeoutMs / 1000.0) : -2;
    if (code == -2) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_NE(window, 0u) << "the host's window never appeared";
    EXPECT_EQ(code, kExitSuccess);
}
