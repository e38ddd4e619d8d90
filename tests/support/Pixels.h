// Pixels the tests read back: frames the render thread or a test context
// drew (RGBA, rows from the bottom), screenshots and PNG files (RGB, rows
// from the top), and the comparisons the tests make of them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace support {

// Red, green, blue, 0 to 255.
using Pixel = std::array<int, 3>;

// Each channel within tolerance.
bool similar(const Pixel& seen, const Pixel& expected, int tolerance = 2);

// The same as an assertion that says where and what it saw.
::testing::AssertionResult closeTo(const Pixel& seen, const Pixel& expected, int tolerance, const std::string& where);

// One pixel of packed RGBA rows width pixels wide, as stored.
Pixel rgbaAt(const std::vector<unsigned char>& rgba, int width, int x, int y);

// Pixels of [x0, x1) x [y0, y1) of a packed RGBA frame not within
// tolerance of colour.
int countUnlike(const std::vector<unsigned char>& rgba, int width, int x0, int y0, int x1, int y1,
                const Pixel& colour, int tolerance);

// An RGB picture, rows from the top.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Pixel at(int x, int y) const;
    bool oneColour() const;
};

// A PNG file read back through libpng's simplified reader, which the
// writer under test does not use.
bool readPng(const std::string& path, Picture& picture, std::string& error);

}  // namespace support
