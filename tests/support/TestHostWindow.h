// A host's top-level window for an editor to open its child window in (an X
// top-level window, or a Win32 pop-up under Wine), with the user's hands on
// the pointer and keys, and where the system allows it, what the screen
// shows of a window inside it.
//
// Input actions are collected into a script and performed by deliver(),
// which then lets the editor's window take what the system made of them:
// Linux, fake input through XTest on the X server, read from the window's
// own connection in its idle call; Windows, the window messages the system
// would post, the modal drag loop consuming the queued pointer messages.
//
// Coordinates are pixels of the editor (from its top-left corner), which
// sits at the top-left of the host's window.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/Pixels.h"

namespace HD {
class UIWindow;
}

namespace support {

enum class Key
{
    Shift,
    Control,
    Alt,
};

class HostWindow
{
public:
    explicit HostWindow(int width = 800, int height = 400);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    bool ok() const;
    void* handle() const;

    // The host closing its window before the editor, now.
    void destroy();

    void move(int x, int y) { script_.push_back({Step::Move, x, y}); }
    void press(int button) { script_.push_back({Step::Press, button, 0}); }
    void release(int button) { script_.push_back({Step::Release, button, 0}); }
    void keyDown(Key key) { script_.push_back({Step::KeyDown, static_cast<int>(key), 0}); }
    void keyUp(Key key) { script_.push_back({Step::KeyUp, static_cast<int>(key), 0}); }
    // The same as a step of the script (taking the editor's window with it).
    void destroyParent() { script_.push_back({Step::DestroyParent, 0, 0}); }
    // Anything the host does at that point (closing the editor, say).
    void call(std::function<void()> action)
    {
        actions_.push_back(std::move(action));
        script_.push_back({Step::Call, static_cast<int>(actions_.size() - 1), 0});
    }

    // Performs the script; then the window takes its input until done()
    // holds (or a few seconds pass), and whatever else arrives soon after.
    // Without done, only what arrives soon (for what must not happen).
    // The window is looked up afresh each time: the script may close it.
    void deliverTo(const std::function<HD::UIWindow*()>& window, const std::function<bool()>& done);
    void deliver(HD::UIWindow* window, const std::function<bool()>& done = nullptr)
    {
        deliverTo([window] { return window; }, done);
    }
    void deliver(std::unique_ptr<HD::UIWindow>& window, const std::function<bool()>& done = nullptr)
    {
        deliverTo([&window] { return window.get(); }, done);
    }
    // Performs the script only, leaving the editor to take what the system
    // made of it in its idle calls (Windows: the host's message loop runs,
    // as the editor's drag loop needs).
    void perform(HD::UIWindow* window);

    // Whether screenshot() can see a window's contents on this system.
    static bool readsBackWindows();
    // What the screen shows in window (the editor's child), RGB per pixel,
    // rows from the bottom as OpenGL counts them; empty on failure.
    std::vector<Pixel> screenshot(void* window, int width, int height);

    // What the system says of a window.
    static bool exists(void* window);
    static void* systemParentOf(void* window);
    struct Placement
    {
        int x, y, width, height;
    };
    static Placement placementOf(void* window);

    struct Impl;

private:
    struct Step
    {
        enum Kind { Move, Press, Release, KeyDown, KeyUp, DestroyParent, Call } kind;
        int a, b;
    };
    std::vector<Step> script_;
    std::vector<std::function<void()>> actions_;
    std::unique_ptr<Impl> impl_;
};

// The program's own module as the system names it (Windows); null on X.
void* programModule();

// Whether the system holds a window class of that name; X has no classes.
std::optional<bool> windowClassRegistered(const char* name);

// Checks, as test expectations, what only the system can tell of an
// editor's child window. Windows: its styles, title and class (className).
// X: mapped, of a double-buffered RGBA visual OpenGL can draw into, with a
// depth buffer.
void expectEditorChildWindow(void* window, const std::string& className);

}  // namespace support
