// A host's top-level window for the editor to open its child window in (an
// X top-level window, or a Win32 pop-up under Wine), the user's pointer over
// it, and where the system allows it, what the screen shows of a window
// inside it.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "support/Pixels.h"

namespace support {

class HostWindow
{
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    bool ok() const;
    void* handle() const;

    // The host closing its window before the editor.
    void destroy();

    // The user presses the left button at (x, y) (pixels from the editor's
    // top-left corner; the editor sits at the window's), moves through path
    // and lets go at its last point. Linux: through XTest, so the X server
    // hands it to the editor's window as a user's hand would; the editor
    // takes it in its idle calls. Windows: the messages the system would
    // post (the press to the editor's window, the rest to the host's, which
    // the drag captures); pumpMessages() then runs the drag loop.
    bool drag(void* editorWindow, int x, int y, const std::vector<std::pair<int, int>>& path);

    // Windows: the host's message loop, until its queue is empty.
    void pumpMessages();

    // Whether screenshot() can see a window's contents on this system.
    static bool readsBackWindows();
    // What the screen shows in window (the editor's child), RGB per pixel,
    // rows from the bottom as OpenGL counts them; empty on failure.
    std::vector<Pixel> screenshot(void* window, int width, int height);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace support
