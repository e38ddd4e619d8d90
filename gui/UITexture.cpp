#include "gui/UITexture.h"

#include <png.h>

#include <algorithm>
#include <cstring>

#include "gui/GL.h"
#include "platform/SystemServices.h"

namespace HD {

namespace {

// The PNG bytes not yet handed to libpng.
struct Reader
{
    const unsigned char* next;
    size_t remaining;
};

void readBytes(png_structp png, png_bytep destination, png_size_t length)
{
    if (!png) return;
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    const size_t served = std::min(static_cast<size_t>(length), reader->remaining);
    std::memcpy(destination, reader->next, served);
    reader->next += served;
    reader->remaining -= served;
    // A request past the end is served short, without an error of its own;
    // zeros rather than stale memory make libpng fail on a chunk it can
    // check (length, type, CRC) instead of on whatever was there.
    std::memset(destination + served, 0, length - served);
}

// Nothing is reported: an image that cannot be decoded is no texture. An
// error handler must not return to libpng, so this one jumps straight back
// to the decoder's setjmp.
void onError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

struct RawImage
{
    png_bytepp rows = nullptr;  // owned by libpng's info structure
    png_uint_32 width = 0, height = 0;
    int channels = 0, bitDepth = 0;
    size_t rowBytes = 0;
};

// The part that libpng may leave by longjmp: nothing here has a destructor,
// and nothing read after the jump was changed after setjmp.
bool readWholeImage(png_structp png, png_infop info, Reader* reader, RawImage* raw)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, reader, readBytes);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    raw->rows = png_get_rows(png, info);
    raw->width = png_get_image_width(png, info);
    raw->height = png_get_image_height(png, info);
    raw->channels = png_get_channels(png, info);
    raw->bitDepth = png_get_bit_depth(png, info);
    raw->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool isPowerOfTwo(png_uint_32 n) { return n != 0 && (n & (n - 1)) == 0; }

}  // namespace

bool decodePng(const unsigned char* bytes, size_t size, DecodedImage& image)
{
    image = DecodedImage{};
    if (!bytes) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &image, onError, onWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    Reader reader{bytes, size};
    RawImage raw;
    bool accepted = readWholeImage(png, info, &reader, &raw) && raw.rows && isPowerOfTwo(raw.width) &&
                    isPowerOfTwo(raw.height) && (raw.channels == 3 || raw.channels == 4) && raw.bitDepth == 8 &&
                    raw.rowBytes == static_cast<size_t>(raw.width) * static_cast<size_t>(raw.channels);
    if (accepted) {
        // Rows in the order libpng delivers them: the PNG's top row first,
        // which becomes texture row t = 0.
        image.width = static_cast<int>(raw.width);
        image.height = static_cast<int>(raw.height);
        image.channels = raw.channels;
        image.pixels.reset(new unsigned char[raw.rowBytes * raw.height]);
        for (png_uint_32 y = 0; y < raw.height; ++y)
            std::memcpy(image.pixels.get() + y * raw.rowBytes, raw.rows[y], raw.rowBytes);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return accepted;
}

bool loadTextureFromPng(UITexture& texture, const unsigned char* bytes, size_t size)
{
    DecodedImage image;
    if (!decodePng(bytes, size, image)) return false;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // Rows are packed (three channels make rows of any length).
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, image.channels, image.width, image.height, 0,
                 image.channels == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);
    texture.textureName = name;
    return true;
}

void loadTexture(UITexture& texture)
{
    const unsigned char* bytes = nullptr;
    size_t size = 0;
    if (!platform::findResource(kImageResourceType, texture.resourceId & 0xffff, bytes, size)) {
        platform::showError(platform::lastErrorText(), true);
        return;
    }
    loadTextureFromPng(texture, bytes, size);
}

void releaseTexture(UITexture& texture)
{
    if (texture.textureName == 0) return;
    GLuint name = texture.textureName;
    glDeleteTextures(1, &name);
    texture.textureName = 0;
}

}  // namespace HD
