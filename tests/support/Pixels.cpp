#include "support/Pixels.h"

#include <png.h>

#include <cstdlib>

namespace support {

bool similar(const Pixel& seen, const Pixel& expected, int tolerance)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(seen[c] - expected[c]) > tolerance) return false;
    return true;
}

::testing::AssertionResult closeTo(const Pixel& seen, const Pixel& expected, int tolerance, const std::string& where)
{
    if (similar(seen, expected, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << where << ": (" << seen[0] << ", " << seen[1] << ", " << seen[2]
                                         << "), expected (" << expected[0] << ", " << expected[1] << ", "
                                         << expected[2] << ") within " << tolerance;
}

Pixel rgbaAt(const std::vector<unsigned char>& rgba, int width, int x, int y)
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4u;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

int countUnlike(const std::vector<unsigned char>& rgba, int width, int x0, int y0, int x1, int y1,
                const Pixel& colour, int tolerance)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!similar(rgbaAt(rgba, width, x, y), colour, tolerance)) ++count;
    return count;
}

Pixel Picture::at(int x, int y) const
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool Picture::oneColour() const
{
    for (size_t i = 3; i < rgb.size(); i += 3)
        if (rgb[i] != rgb[0] || rgb[i + 1] != rgb[1] || rgb[i + 2] != rgb[2]) return false;
    return true;
}

bool readPng(const std::string& path, Picture& picture, std::string& error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

}  // namespace support
