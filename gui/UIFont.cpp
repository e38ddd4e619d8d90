#include "gui/UIFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "gui/GL.h"
#include "platform/SystemServices.h"

namespace HD {

namespace {

// The glyphs rasterised ahead of drawing: printable ASCII. Other characters
// have no glyph and take no space.
constexpr int kFirstGlyph = 32;
constexpr int kLastGlyph = 126;
constexpr int kGlyphCount = kLastGlyph - kFirstGlyph + 1;

// Unhinted outlines: advances keep their fractions, as the texture font
// metrics the layout was designed around do.
constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

// Empty texels around each glyph, so linear filtering never reaches a neighbour.
constexpr int kPadding = 2;
constexpr int kAtlasWidth = 256;

// Glyphs are rasterised at twice the nominal size and drawn at half scale.
constexpr float kDrawScale = 0.5f;

int nextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

bool readable(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

}  // namespace

struct UIFont::Impl
{
    struct Glyph
    {
        bool exists = false;
        float advanceX = 0, advanceY = 0;  // pixels at the doubled size
        int width = 0, height = 0;         // bitmap
        int left = 0, top = 0;             // bitmap offset from the pen
        float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
    };

    struct Kerning
    {
        float x = 0, y = 0;
    };

    ~Impl()
    {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    bool load(const std::string& path, float nominalSize);
    void rasterise();
    // The face's unfitted kerning; false when FreeType reports an error.
    bool kerning(unsigned left, unsigned right, Kerning& result);
    const Glyph* glyph(unsigned char c) const
    {
        if (c < kFirstGlyph || c > kLastGlyph) return nullptr;
        const Glyph& g = glyphs[c - kFirstGlyph];
        return g.exists ? &g : nullptr;
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool hasKerning = false;
    // The face is shared by the window thread (metrics) and the render
    // thread (layout); only kerning queries reach FreeType after loading.
    std::mutex faceMutex;

    float lineHeight = 0, descender = 0;  // pixels at the doubled size
    unsigned charIndex[256] = {};         // the face's glyph index of each byte
    Glyph glyphs[kGlyphCount];

    std::vector<unsigned char> atlas;  // alpha, rows top first
    int atlasWidth = 0, atlasHeight = 0;
    unsigned texture = 0;
};

bool UIFont::Impl::load(const std::string& path, float nominalSize)
{
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Error error = FT_New_Face(library, path.c_str(), 0, &face);
    if (error == 0) {
        const FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(2.0 * nominalSize * 64.0));
        error = FT_Set_Char_Size(face, 0, size, 72, 72);
    }
    if (error != 0) {
        std::fprintf(stderr, "cannot use the font file '%s' (FreeType error %d)\n", path.c_str(), error);
        return false;
    }
    hasKerning = FT_HAS_KERNING(face) != 0;

    const FT_Size_Metrics& metrics = face->size->metrics;
    if (FT_IS_SCALABLE(face))
        lineHeight = static_cast<float>(face->bbox.yMax - face->bbox.yMin) *
                     (static_cast<float>(metrics.y_ppem) / static_cast<float>(face->units_per_EM));
    else
        lineHeight = static_cast<float>(metrics.height) / 64.0f;
    descender = static_cast<float>(metrics.descender) / 64.0f;

    for (unsigned c = 0; c < 256; ++c) charIndex[c] = FT_Get_Char_Index(face, c);
    rasterise();
    return true;
}

void UIFont::Impl::rasterise()
{
    struct Bitmap
    {
        std::vector<unsigned char> pixels;
        int x = 0, y = 0;  // place in the atlas
    };
    Bitmap bitmaps[kGlyphCount];

    for (int i = 0; i < kGlyphCount; ++i) {
        Glyph& g = glyphs[i];
        if (FT_Load_Glyph(face, charIndex[kFirstGlyph + i], kLoadFlags) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        g.exists = true;
        g.advanceX = static_cast<float>(slot->advance.x) / 64.0f;
        g.advanceY = static_cast<float>(slot->advance.y) / 64.0f;
        // A glyph that does not render (a space) still advances the pen.
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 || slot->format != FT_GLYPH_FORMAT_BITMAP) continue;
        const FT_Bitmap& bitmap = slot->bitmap;
        g.width = static_cast<int>(bitmap.width);
        g.height = static_cast<int>(bitmap.rows);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        std::vector<unsigned char>& pixels = bitmaps[i].pixels;
        pixels.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
        for (int row = 0; row < g.height; ++row) {
            // A negative pitch means the rows are stored bottom first.
            const int stored = bitmap.pitch >= 0 ? row : g.height - 1 - row;
            const unsigned char* source = bitmap.buffer + stored * std::abs(bitmap.pitch);
            for (int col = 0; col < g.width; ++col) {
                unsigned char alpha;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    alpha = ((source[col / 8] >> (7 - col % 8)) & 1) ? 255 : 0;
                else
                    alpha = source[col];
                pixels[static_cast<size_t>(row) * static_cast<size_t>(g.width) + static_cast<size_t>(col)] = alpha;
            }
        }
    }

    // Shelves of glyphs, left to right, top to bottom.
    int width = kAtlasWidth;
    for (const Glyph& g : glyphs) width = std::max(width, nextPowerOfTwo(g.width + 2 * kPadding));
    int x = kPadding, y = kPadding, shelf = 0;
    for (int i = 0; i < kGlyphCount; ++i) {
        const Glyph& g = glyphs[i];
        if (x + g.width + kPadding > width) {
            x = kPadding;
            y += shelf + kPadding;
            shelf = 0;
        }
        bitmaps[i].x = x;
        bitmaps[i].y = y;
        x += g.width + kPadding;
        shelf = std::max(shelf, g.height);
    }
    atlasWidth = width;
    atlasHeight = nextPowerOfTwo(y + shelf + kPadding);
    atlas.assign(static_cast<size_t>(atlasWidth) * static_cast<size_t>(atlasHeight), 0);

    for (int i = 0; i < kGlyphCount; ++i) {
        Glyph& g = glyphs[i];
        const Bitmap& b = bitmaps[i];
        const size_t rowBytes = static_cast<size_t>(g.width);
        for (int row = 0; row < g.height; ++row)
            std::memcpy(&atlas[static_cast<size_t>(b.y + row) * static_cast<size_t>(atlasWidth) + static_cast<size_t>(b.x)],
                        &b.pixels[static_cast<size_t>(row) * rowBytes], rowBytes);
        // t0 is the bitmap's top row, which the quad puts at its top edge.
        g.s0 = static_cast<float>(b.x) / static_cast<float>(atlasWidth);
        g.t0 = static_cast<float>(b.y) / static_cast<float>(atlasHeight);
        g.s1 = static_cast<float>(b.x + g.width) / static_cast<float>(atlasWidth);
        g.t1 = static_cast<float>(b.y + g.height) / static_cast<float>(atlasHeight);
    }
}

bool UIFont::Impl::kerning(unsigned left, unsigned right, Kerning& result)
{
    result = Kerning{};
    if (!hasKerning || left == 0 || right == 0) return true;
    FT_Vector vector{0, 0};
    FT_Error error;
    {
        std::lock_guard<std::mutex> hold(faceMutex);
        error = FT_Get_Kerning(face, left, right, FT_KERNING_UNFITTED, &vector);
    }
    if (error != 0) return false;
    result.x = static_cast<float>(vector.x) / 64.0f;
    result.y = static_cast<float>(vector.y) / 64.0f;
    return true;
}

UIFont::UIFont(float nominalSize) : nominalSize_(nominalSize)
{
    const std::string path = platform::systemFontPath();
    if (!readable(path)) {
        platform::showError("Unable to locate the required font file '" + path + "'", false);
        return;
    }
    auto impl = std::make_unique<Impl>();
    if (impl->load(path, nominalSize)) impl_ = std::move(impl);
}

UIFont::UIFont(float nominalSize, const std::string& path) : nominalSize_(nominalSize)
{
    if (!readable(path)) return;
    auto impl = std::make_unique<Impl>();
    if (impl->load(path, nominalSize)) impl_ = std::move(impl);
}

// The texture dies with the context that made it; no context is current here.
UIFont::~UIFont() = default;

bool UIFont::loaded() const { return impl_ != nullptr; }

void UIFont::preloadGlyphs()
{
    if (!impl_) return;
    // Already made in this context: nothing to do.
    if (impl_->texture != 0 && glIsTexture(impl_->texture)) return;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, impl_->atlasWidth, impl_->atlasHeight, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 impl_->atlas.data());
    glPopClientAttrib();
    impl_->texture = name;
}

void UIFont::releaseGlyphs()
{
    if (!impl_ || impl_->texture == 0) return;
    GLuint name = impl_->texture;
    glDeleteTextures(1, &name);
    impl_->texture = 0;
}

unsigned UIFont::texture() const { return impl_ ? impl_->texture : 0; }

float UIFont::textWidth(const char* text) const
{
    if (!impl_ || !text) return 0.0f;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    float advance = 0.0f;
    for (; *s; ++s) {
        const Impl::Glyph* g = impl_->glyph(s[0]);
        if (!g) continue;
        Impl::Kerning kern;
        impl_->kerning(impl_->charIndex[s[0]], impl_->charIndex[s[1]], kern);
        advance += kern.x + g->advanceX;
    }
    return advance * kDrawScale;
}

float UIFont::lineHeight() const { return impl_ ? impl_->lineHeight * kDrawScale : 0.0f; }

float UIFont::descender() const { return impl_ ? impl_->descender * kDrawScale : 0.0f; }

void UIFont::layout(const char* text, float x, float y, std::vector<GlyphQuad>& quads, std::vector<bool>& drawn)
{
    const size_t length = text ? std::strlen(text) : 0;
    quads.assign(length, GlyphQuad{});
    drawn.assign(length, false);
    if (!impl_ || length == 0) return;
    const auto* s = reinterpret_cast<const unsigned char*>(text);

    size_t i = 0;
    while (i < length && !impl_->glyph(s[i])) ++i;
    if (i == length) return;

    float penX = std::floor(x);
    float penY = std::floor(y);
    unsigned current = impl_->charIndex[s[i]];
    for (; i < length; ++i) {
        const Impl::Glyph* g = impl_->glyph(s[i]);
        if (!g) continue;
        // s[length] is the terminating zero.
        const unsigned next = impl_->charIndex[s[i + 1]];
        Impl::Kerning kern;
        const bool kerned = impl_->kerning(current, next, kern);
        current = next;
        if (!kerned) continue;

        GlyphQuad& q = quads[i];
        q.s0 = g->s0;
        q.t0 = g->t0;
        q.s1 = g->s1;
        q.t1 = g->t1;
        q.x0 = penX + static_cast<float>(g->left) * kDrawScale;
        q.y0 = penY + static_cast<float>(g->top) * kDrawScale;
        q.x1 = q.x0 + static_cast<float>(g->width) * kDrawScale;
        q.y1 = q.y0 - static_cast<float>(g->height) * kDrawScale;
        drawn[i] = true;

        penX += (g->advanceX + kern.x) * kDrawScale;
        penY += (g->advanceY + kern.y) * kDrawScale;
    }
}

void beginText(UIFont* font)
{
    font->preloadGlyphs();
    glBindTexture(GL_TEXTURE_2D, font->texture());
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void endText()
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
}

void drawString(UIFont* font, const char* text, float x, float y)
{
    if (!font || !font->loaded() || !text || !*text) return;
    std::vector<GlyphQuad> quads;
    std::vector<bool> drawn;
    font->layout(text, x, y, quads, drawn);
    beginText(font);
    glBegin(GL_QUADS);
    for (size_t i = 0; i < quads.size(); ++i) {
        if (!drawn[i]) continue;
        const GlyphQuad& q = quads[i];
        glTexCoord2f(q.s0, q.t0);
        glVertex2f(q.x0, q.y0);
        glTexCoord2f(q.s0, q.t1);
        glVertex2f(q.x0, q.y1);
        glTexCoord2f(q.s1, q.t1);
        glVertex2f(q.x1, q.y1);
        glTexCoord2f(q.s1, q.t0);
        glVertex2f(q.x1, q.y0);
    }
    glEnd();
    endText();
}

float textWidth(UIFont* font, const char* text) { return font ? font->textWidth(text) : 0.0f; }
float lineHeight(UIFont* font) { return font ? font->lineHeight() : 0.0f; }
float descender(UIFont* font) { return font ? font->descender() : 0.0f; }

}  // namespace HD
