// What a test needs to know of, or do to, the system it runs on, answered
// by the system's own file (win32/ or x11/), so that tests stay free of
// system headers and conditionals.
#pragma once

#include <string>

namespace support {

bool onWindows();

// True when a Windows build runs under Wine.
bool underWine();

// A file of the Linux machine by the name this program opens it with: the
// same on Linux, through Wine's drive Z: on Windows.
std::string hostPath(const std::string& unixPath);

// Sets (or, given null, removes) a variable of this process's environment.
void setEnvironment(const std::string& name, const char* value);

// The system's own text for "no such resource name", or "" where the
// system has none (the loader then names the type and id instead).
std::string missingResourceText();

// A window handle that names no window on this system.
void* bogusWindowHandle();

}  // namespace support
