// An image among the library's resources (type 257), as an OpenGL texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "resources/ResourceIds.h"

namespace HD {

class UITexture
{
public:
    explicit UITexture(int resourceId) : resourceId(resourceId) {}

    int resourceId;
    unsigned textureName = 0;  // 0: not available
};

constexpr int kImageResourceType = PARFELLE_TYPE_IMAGE;

// Render thread, context current. Decodes the resource and creates the
// texture; a missing resource shows the system's error text, an image that is
// not 8-bit RGB or RGBA with power-of-two sides gives silently no texture.
void loadTexture(UITexture& texture);
// The same from PNG bytes already in memory (what loadTexture does after
// finding the resource). Returns false when no texture was made.
bool loadTextureFromPng(UITexture& texture, const unsigned char* bytes, size_t size);
// Deletes the texture if there is one; harmless when repeated.
void releaseTexture(UITexture& texture);

// The decoded image, before any GL: what loadTextureFromPng uploads.
struct DecodedImage
{
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<unsigned char[]> pixels;  // rows top first, width * channels bytes each
};
bool decodePng(const unsigned char* bytes, size_t size, DecodedImage& image);

}  // namespace HD
