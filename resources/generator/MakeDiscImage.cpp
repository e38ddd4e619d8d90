// Writes the scanner's disc image: 128 x 128, 8-bit RGB, not interlaced. A
// white disc on black filling the square up to a border of three pixels,
// its edge smoothed with the grey levels 64, 128 and 192 only.
//
//   make-disc-image OUTPUT.png
#include <png.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr double kRadius = 61.0;  // (128 - 2 * 3) / 2
constexpr int kSamples = 16;      // per pixel and axis

// Fraction of the pixel inside the disc, rounded to quarters: 0, 64, 128, 192, 255.
unsigned char level(int x, int y)
{
    const double centre = kSize / 2.0;
    int inside = 0;
    for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx) {
            const double dx = x + (sx + 0.5) / kSamples - centre;
            const double dy = y + (sy + 0.5) / kSamples - centre;
            if (dx * dx + dy * dy <= kRadius * kRadius) ++inside;
        }
    const int quarters = (inside * 4 + kSamples * kSamples / 2) / (kSamples * kSamples);
    return quarters >= 4 ? 255 : static_cast<unsigned char>(quarters * 64);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    std::vector<unsigned char> pixels(kSize * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const unsigned char v = level(x, y);
            for (int c = 0; c < 3; ++c) pixels[(y * kSize + x) * 3 + c] = v;
        }

    FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "%s: libpng could not write the image\n", argv[1]);
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::remove(argv[1]);
        return 1;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kSize, kSize, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_bytep> rows(kSize);
    for (int y = 0; y < kSize; ++y) rows[y] = &pixels[y * kSize * 3];
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
