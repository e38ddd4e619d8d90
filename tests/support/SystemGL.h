// The system's half of a test's OpenGL context (win32/ or x11/): a window
// and a context current on it. Without a parent the window is never shown
// and the test draws into its own framebuffer; with one it is a visible
// child of that window, drawn to directly.
#pragma once

#include <string>

namespace support::system_gl {

struct Surface;

// Null on failure, with the reason in error.
Surface* create(void* parent, int left, int top, int width, int height, std::string& error);
bool makeCurrent(Surface* surface);
// Shows what was drawn and waits until the system has it.
void present(Surface* surface);
void destroy(Surface* surface);

}  // namespace support::system_gl
