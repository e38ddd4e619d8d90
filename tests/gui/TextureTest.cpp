// Textures from the library's PNG resources: the stored disc image (its
// header, its picture, its texture), which images are refused, streams that
// end early or are damaged, a missing resource, and releasing.
#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/TestGLContext.h"
#include "gui/GL.h"
#include "gui/UITexture.h"
#include "platform/SystemServices.h"
#include "support/CapturedErrors.h"
#include "support/System.h"


namespace {

constexpr int kDiscId = 113;

// ---- PNG streams made here with libpng, to feed the loader ----------------

struct PngLayout
{
    int width, height;
    int colourType;  // PNG_COLOR_TYPE_*
    int bitDepth;
    bool interlaced = false;
};

int channelsOf(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // palette indices
    }
}

// A sample of the pattern every test image carries: distinct along rows,
// columns and channels.
unsigned char patternSample(int x, int y, int c) { return static_cast<unsigned char>(x * 7 + y * 13 + c * 61); }

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}

std::vector<unsigned char> encodePng(const PngLayout& layout)
{
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = channelsOf(layout.colourType);
    const size_t rowBytes = static_cast<size_t>(layout.width) * channels * (layout.bitDepth / 8);
    std::vector<unsigned char> pixels(rowBytes * layout.height);
    for (int y = 0; y < layout.height; ++y)
        for (size_t i = 0; i < rowBytes; ++i) pixels[y * rowBytes + i] = patternSample(static_cast<int>(i), y, 0);
    std::vector<png_bytep> rows(layout.height);
    for (int y = 0; y < layout.height; ++y) rows[y] = &pixels[y * rowBytes];
    png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, noFlush);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (auto& p : pixels) p &= 3;
        png_set_PLTE(png, info, palette, 4);
    }
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The header fields read straight from the bytes (signature, then IHDR).
struct Header
{
    bool valid = false;
    unsigned width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
};

unsigned bigEndian32(const unsigned char* p)
{
    return (unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | unsigned(p[3]);
}

Header readHeader(const unsigned char* bytes, size_t size)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Header h;
    if (size < 33 || std::memcmp(bytes, signature, 8) != 0 || bigEndian32(bytes + 8) != 13 ||
        std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return h;
    h.valid = true;
    h.width = bigEndian32(bytes + 16);
    h.height = bigEndian32(bytes + 20);
    h.bitDepth = bytes[24];
    h.colourType = bytes[25];
    h.interlace = bytes[28];
    return h;
}

std::vector<unsigned char> storedDisc()
{
    const unsigned char* bytes = nullptr;
    size_t size = 0;
    if (!platform::findResource(HD::kImageResourceType, kDiscId, bytes, size)) return {};
    return std::vector<unsigned char>(bytes, bytes + size);
}

// showError's messages, instead of message boxes.
using ReportedErrors = support::CapturedErrors;
bool nothingReported() { return ReportedErrors::empty(); }

GLint textureLevelParameter(GLenum name)
{
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
    return value;
}
GLint textureParameter(GLenum name)
{
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

// ---- the stored image ---------------------------------------------------------

TEST(DiscImage, IsA128SquareEightBitRgbPngNotInterlaced)
{
    const std::vector<unsigned char> png = storedDisc();
    ASSERT_FALSE(png.empty());
    const Header h = readHeader(png.data(), png.size());
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.width, 128u);
    EXPECT_EQ(h.height, 128u);
    EXPECT_EQ(h.bitDepth, 8);
    EXPECT_EQ(h.colourType, 2);
    EXPECT_EQ(h.interlace, 0);
}

TEST(DiscImage, TheLibraryHoldsTheBytesTheBuildDrew)
{
    std::FILE* file = std::fopen(PARFELLE_DISC_IMAGE_FILE, "rb");
    ASSERT_NE(file, nullptr) << PARFELLE_DISC_IMAGE_FILE;
    std::vector<unsigned char> drawn;
    unsigned char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) drawn.insert(drawn.end(), buffer, buffer + n);
    std::fclose(file);
    EXPECT_EQ(storedDisc(), drawn);
}

TEST(DiscImage, DecodesToAWhiteDiscOnBlackWithThreeGreyLevelsAtItsEdge)
{
    const std::vector<unsigned char> png = storedDisc();
    HD::DecodedImage image;
    ASSERT_TRUE(HD::decodePng(png.data(), png.size(), image));
    ASSERT_EQ(image.width, 128);
    ASSERT_EQ(image.height, 128);
    ASSERT_EQ(image.channels, 3);
    auto at = [&](int x, int y) { return image.pixels[(y * 128 + x) * 3]; };

    std::set<int> levels;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const unsigned char* p = &image.pixels[(y * 128 + x) * 3];
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "not grey at " << x << ", " << y;
            levels.insert(p[0]);
        }
    EXPECT_EQ(levels, (std::set<int>{0, 64, 128, 192, 255}));

    // The two middle rows: white from 3 to 124, a 3-pixel black border.
    for (int y : {63, 64})
        for (int x = 0; x < 128; ++x) EXPECT_EQ(at(x, y), (x >= 3 && x <= 124) ? 255 : 0) << x << ", " << y;

    // The disc's geometry: centre (64, 64), radius 61 (pixel (x, y) covers
    // [x, x+1) x [y, y+1)). A pixel wholly inside is white, one wholly
    // outside black; only the pixels the circle crosses may be grey.
    int crossed = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            double farthest = 0, nearest = 0;
            for (int corner = 0; corner < 4; ++corner) {
                const double dx = x + (corner & 1) - 64.0, dy = y + (corner >> 1) - 64.0;
                farthest = std::max(farthest, std::hypot(dx, dy));
            }
            const double nx = std::max(0.0, std::max(x - 64.0, 64.0 - (x + 1))),
                         ny = std::max(0.0, std::max(y - 64.0, 64.0 - (y + 1)));
            nearest = std::hypot(nx, ny);
            if (farthest <= 61.0)
                EXPECT_EQ(at(x, y), 255) << x << ", " << y;
            else if (nearest >= 61.0)
                EXPECT_EQ(at(x, y), 0) << x << ", " << y;
            else
                ++crossed;
        }
    EXPECT_GT(crossed, 0);

    // Symmetric about both middle lines and the diagonal.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            ASSERT_EQ(at(x, y), at(127 - x, y));
            ASSERT_EQ(at(x, y), at(x, 127 - y));
            ASSERT_EQ(at(x, y), at(y, x));
        }
}

// ---- textures -------------------------------------------------------------------

struct TextureFixture : ::testing::Test
{
    TextureFixture() : gl(128, 128) {}
    void SetUp() override { ASSERT_TRUE(gl.ok()) << gl.error(); }
    TestGLContext gl;
    ReportedErrors errors;
};

TEST_F(TextureFixture, TheDiscBecomesAnRgbTextureWithLinearFilteringAndClampedEdges)
{
    HD::UITexture texture(kDiscId);
    HD::loadTexture(texture);
    ASSERT_NE(texture.textureName, 0u);
    EXPECT_TRUE(nothingReported());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    EXPECT_EQ(textureLevelParameter(GL_TEXTURE_WIDTH), 128);
    EXPECT_EQ(textureLevelParameter(GL_TEXTURE_HEIGHT), 128);
    // Internal format 3 is the old name of GL_RGB: no alpha is stored.
    const GLint internal = textureLevelParameter(GL_TEXTURE_INTERNAL_FORMAT);
    EXPECT_TRUE(internal == 3 || internal == GL_RGB || internal == GL_RGB8) << internal;
    EXPECT_EQ(textureLevelParameter(GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);

    // The texels are the decoded rows, the PNG's top row at t = 0.
    const std::vector<unsigned char> png = storedDisc();
    HD::DecodedImage image;
    ASSERT_TRUE(HD::decodePng(png.data(), png.size(), image));
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    std::vector<unsigned char> texels(128 * 128 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(0, std::memcmp(texels.data(), image.pixels.get(), texels.size()));

    // Drawn texel for pixel: a 128 x 128 quad with t = 0 at the bottom.
    glViewport(0, 0, 128, 128);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    const std::vector<unsigned char> frame = gl.readPixels();
    int differing = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            if (frame[(y * 128 + x) * 4] != image.pixels[(y * 128 + x) * 3]) ++differing;
    EXPECT_EQ(differing, 0);
    HD::releaseTexture(texture);
}

TEST_F(TextureFixture, FourChannelImagesBecomeRgbaTextures)
{
    const std::vector<unsigned char> png = encodePng({4, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8});
    ASSERT_EQ(readHeader(png.data(), png.size()).colourType, 6);
    HD::UITexture texture(0);
    ASSERT_TRUE(HD::loadTextureFromPng(texture, png.data(), png.size()));
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    const GLint internal = textureLevelParameter(GL_TEXTURE_INTERNAL_FORMAT);
    EXPECT_TRUE(internal == 4 || internal == GL_RGBA || internal == GL_RGBA8) << internal;
    unsigned char texels[2 * 4 * 4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 16; ++i) EXPECT_EQ(texels[y * 16 + i], patternSample(i, y, 0)) << i << ", " << y;
    glBindTexture(GL_TEXTURE_2D, 0);
    HD::releaseTexture(texture);
}

TEST_F(TextureFixture, RowsOfAnyLengthArriveIntact)
{
    // 2 x 2 RGB: rows of 6 bytes, not a multiple of OpenGL's default 4.
    const std::vector<unsigned char> png = encodePng({2, 2, PNG_COLOR_TYPE_RGB, 8});
    HD::UITexture texture(0);
    ASSERT_TRUE(HD::loadTextureFromPng(texture, png.data(), png.size()));
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    unsigned char texels[12];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 6; ++i) EXPECT_EQ(texels[y * 6 + i], patternSample(i, y, 0)) << i << ", " << y;
    GLint unpack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 4);  // the context's state is left as it was
    glBindTexture(GL_TEXTURE_2D, 0);
    HD::releaseTexture(texture);
}

TEST_F(TextureFixture, ImagesThatAreNotEightBitRgbOrRgbaWithPowerOfTwoSidesAreRefusedSilently)
{
    struct Case
    {
        const char* what;
        PngLayout layout;
    };
    const Case refused[] = {
        {"100 x 128 RGB", {100, 128, PNG_COLOR_TYPE_RGB, 8}},
        {"128 x 100 RGB", {128, 100, PNG_COLOR_TYPE_RGB, 8}},
        {"64 x 64 grey", {64, 64, PNG_COLOR_TYPE_GRAY, 8}},
        {"64 x 64 grey with alpha", {64, 64, PNG_COLOR_TYPE_GRAY_ALPHA, 8}},
        {"64 x 64 palette", {64, 64, PNG_COLOR_TYPE_PALETTE, 8}},
        {"64 x 64 RGB, 16 bits", {64, 64, PNG_COLOR_TYPE_RGB, 16}},
        {"64 x 64 RGBA, 16 bits", {64, 64, PNG_COLOR_TYPE_RGB_ALPHA, 16}},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        const std::vector<unsigned char> png = encodePng(c.layout);
        // The stream is what it claims to be.
        const Header h = readHeader(png.data(), png.size());
        ASSERT_TRUE(h.valid);
        ASSERT_EQ(h.width, unsigned(c.layout.width));
        ASSERT_EQ(h.height, unsigned(c.layout.height));
        ASSERT_EQ(h.colourType, c.layout.colourType);
        ASSERT_EQ(h.bitDepth, c.layout.bitDepth);

        HD::DecodedImage image;
        EXPECT_FALSE(HD::decodePng(png.data(), png.size(), image));
        EXPECT_EQ(image.pixels, nullptr);
        HD::UITexture texture(0);
        EXPECT_FALSE(HD::loadTextureFromPng(texture, png.data(), png.size()));
        EXPECT_EQ(texture.textureName, 0u);
    }
    EXPECT_TRUE(nothingReported());

    // The same maker's 8-bit RGB and RGBA images of power-of-two sides, one
    // of them interlaced, all pass: what was refused was refused for its kind.
    const PngLayout accepted[] = {{64, 64, PNG_COLOR_TYPE_RGB, 8},
                                {1, 1, PNG_COLOR_TYPE_RGB, 8},
                                {256, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8},
                                {64, 32, PNG_COLOR_TYPE_RGB, 8, true}};
    for (const PngLayout& layout : accepted) {
        const std::vector<unsigned char> png = encodePng(layout);
        HD::DecodedImage image;
        ASSERT_TRUE(HD::decodePng(png.data(), png.size(), image)) << layout.width << " x " << layout.height;
        const int rowBytes = layout.width * channelsOf(layout.colourType);
        int wrong = 0;
        for (int y = 0; y < layout.height; ++y)
            for (int i = 0; i < rowBytes; ++i)
                if (image.pixels[y * rowBytes + i] != patternSample(i, y, 0)) ++wrong;
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(TextureFixture, StreamsThatEndEarlyGiveNoTexture)
{
    const std::vector<unsigned char> png = storedDisc();
    ASSERT_GT(png.size(), 100u);
    // Every length short of the whole, down to nothing.
    int decoded = 0;
    for (size_t length = 0; length < png.size(); ++length) {
        HD::DecodedImage image;
        if (HD::decodePng(png.data(), length, image)) ++decoded;
    }
    EXPECT_EQ(decoded, 0);
    HD::UITexture texture(0);
    EXPECT_FALSE(HD::loadTextureFromPng(texture, png.data(), png.size() / 2));
    EXPECT_EQ(texture.textureName, 0u);
    EXPECT_TRUE(nothingReported());
}

TEST_F(TextureFixture, DamagedStreamsGiveNoTexture)
{
    const std::vector<unsigned char> png = storedDisc();
    HD::DecodedImage image;
    // A byte changed in the signature, in the header's width, in the image
    // data, and in the last chunk's checksum.
    for (size_t at : {size_t(1), size_t(18), png.size() / 2, png.size() - 1}) {
        std::vector<unsigned char> damaged = png;
        damaged[at] ^= 0x5a;
        EXPECT_FALSE(HD::decodePng(damaged.data(), damaged.size(), image)) << "byte " << at;
    }
    const unsigned char noise[64] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(HD::decodePng(noise, sizeof noise, image));
    EXPECT_FALSE(HD::decodePng(nullptr, 0, image));
    // The undamaged stream still decodes.
    EXPECT_TRUE(HD::decodePng(png.data(), png.size(), image));
}

TEST_F(TextureFixture, AMissingResourceShowsTheSystemsTextWithAWarningIcon)
{
    HD::UITexture texture(999);
    HD::loadTexture(texture);
    EXPECT_EQ(texture.textureName, 0u);
    ASSERT_EQ(ReportedErrors::texts().size(), 1u);
    const std::string& message = ReportedErrors::texts()[0];
    EXPECT_TRUE(ReportedErrors::icons()[0]) << "a warning: " << message;
    if (support::onWindows()) {
        // The text Windows has for "no such resource name".
        const std::string text = support::missingResourceText();
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(message, text);
    } else {
        EXPECT_NE(message.find("257"), std::string::npos) << message;
        EXPECT_NE(message.find("999"), std::string::npos) << message;
    }
}

TEST_F(TextureFixture, ReleasingTwiceDeletesOnlyOnce)
{
    HD::UITexture first(kDiscId);
    HD::loadTexture(first);
    const GLuint name = first.textureName;
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(glIsTexture(name));
    HD::releaseTexture(first);
    EXPECT_EQ(first.textureName, 0u);
    EXPECT_FALSE(glIsTexture(name));

    // A texture made in between (it may well get the freed name) survives
    // the second release of the first record.
    HD::UITexture second(kDiscId);
    HD::loadTexture(second);
    ASSERT_NE(second.textureName, 0u);
    HD::releaseTexture(first);
    EXPECT_EQ(first.textureName, 0u);
    EXPECT_TRUE(glIsTexture(second.textureName));
    HD::releaseTexture(second);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
