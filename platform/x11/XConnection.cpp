#include "platform/x11/XConnection.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct Connection
{
    Display* display;
    unsigned long errors;
};

std::mutex mutex;
std::vector<Connection> connections;  // a display may appear twice: the same address reused
XErrorHandler previousHandler = nullptr;
bool installed = false;

int swallowOwnErrors(Display* display, XErrorEvent* event)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = std::find_if(connections.begin(), connections.end(),
                                  [display](const Connection& c) { return c.display == display; });
        if (found != connections.end()) {
            ++found->errors;
            return 0;
        }
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

}  // namespace

Display* openConnection()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!installed) {
            previousHandler = XSetErrorHandler(swallowOwnErrors);
            installed = true;
        }
    }
    Display* display = XOpenDisplay(nullptr);
    std::lock_guard<std::mutex> lock(mutex);
    if (display) connections.push_back({display, 0});
    if (connections.empty()) {
        // Nothing of ours is open: put the host's handler back.
        XErrorHandler current = XSetErrorHandler(previousHandler);
        if (current != swallowOwnErrors) XSetErrorHandler(current);
        installed = false;
    }
    return display;
}

void closeConnection(Display* display)
{
    if (!display) return;
    XCloseDisplay(display);
    std::lock_guard<std::mutex> lock(mutex);
    auto found = std::find_if(connections.begin(), connections.end(),
                              [display](const Connection& c) { return c.display == display; });
    if (found != connections.end()) connections.erase(found);
    if (connections.empty() && installed) {
        XErrorHandler current = XSetErrorHandler(previousHandler);
        // Somebody installed their own handler after ours: leave theirs.
        if (current != swallowOwnErrors) XSetErrorHandler(current);
        installed = false;
    }
}

unsigned long swallowedErrors(Display* display)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto found = std::find_if(connections.begin(), connections.end(),
                              [display](const Connection& c) { return c.display == display; });
    return found != connections.end() ? found->errors : 0;
}

}  // namespace platform
