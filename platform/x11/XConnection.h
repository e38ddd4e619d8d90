// Our own connections to the X server. An X error's default handler exits
// the process, which would take the host with it, so a chained handler
// swallows (and counts) errors on the connections opened here and passes
// every other connection's errors on to the handler installed before it.
// It is installed while any of our connections is open and taken out again
// after the last one closes, if nobody has replaced it meanwhile.
//
// XInitThreads is never called (it must be a process's first Xlib call, and
// a plug-in is not first): each thread uses its own connection.
#pragma once

#include <X11/Xlib.h>

namespace platform {

// XOpenDisplay(nullptr) (the DISPLAY of the environment) under the handler;
// null when the server cannot be reached.
Display* openConnection();
// XCloseDisplay, errors raised while closing included, still swallowed.
void closeConnection(Display* display);
// The errors swallowed on display so far.
unsigned long swallowedErrors(Display* display);

}  // namespace platform
