// Under Wine an OpenGL child's pixels live in an off-screen X window of
// Wine's own (a child of a 1 x 1 window at -1, -1), which GDI copies do not
// see. These find such windows with xwininfo and read one with
// ImageMagick's import: Unix programs, started from the Windows side. On
// Linux there is no Wine: each reports so and finds nothing.
#pragma once

#include <string>
#include <vector>

namespace support {

// The ids of Wine's off-screen windows of this size.
std::vector<unsigned long> wineOffscreenWindows(int width, int height, std::string& error);

// The one id that is in after and not in before, or 0 (and why in error).
unsigned long newWindow(const std::vector<unsigned long>& before, const std::vector<unsigned long>& after,
                        std::string& error);

// Writes what X window id shows to a PNG file. import leaves out what lies
// off the screen: for Wine's windows at (-1, -1), the first column and row.
bool importXWindow(unsigned long id, const std::string& png, std::string& error);

}  // namespace support
