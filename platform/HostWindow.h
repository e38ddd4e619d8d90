// The command-line host's own top-level window, into which it opens a
// plug-in's editor: a native parent, an event pump the host drives from its
// loop, and a picture of what the window shows.
//
// Threads: everything here runs on the thread that created the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Pixels as 8-bit red, green, blue, rows from the top.
struct Screenshot
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

class HostWindow
{
public:
    // A visible window whose inside is width x height pixels, titled title;
    // null with the reason in error when the system refuses.
    static std::unique_ptr<HostWindow> create(const std::string& title, int width, int height, std::string& error);
    virtual ~HostWindow() = default;

    // What a plug-in's editor takes as its parent: the HWND, or the X Window
    // id as a pointer-sized integer.
    virtual void* handle() const = 0;

    // Handles the window's queued events without waiting. Returns false once
    // the user has closed the window.
    virtual bool processEvents() = 0;

    // Puts the window above every other: what the screen shows of it is
    // what a picture of it gets.
    virtual void raise() = 0;

    // What the inside of the window shows now, child windows included.
    virtual bool capture(Screenshot& picture, std::string& error) = 0;

protected:
    HostWindow() = default;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
};

}  // namespace platform
