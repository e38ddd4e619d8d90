// One system font, rasterised at twice its nominal size and drawn at half
// scale. Glyph textures belong to the context current when they were first
// asked for (see preloadGlyphs).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace HD {

// One laid-out glyph: a quad of four vertices, texture then screen corners,
// in the order (s0,t0)@(x0,y0), (s0,t1)@(x0,y1), (s1,t1)@(x1,y1), (s1,t0)@(x1,y0).
struct GlyphQuad
{
    float s0, t0, s1, t1;
    float x0, y0, x1, y1;
};

class UIFont
{
public:
    // Finds the system font file and loads it at twice the nominal size; when
    // there is none, shows "Unable to locate the required font file '<path>'"
    // and stays empty.
    explicit UIFont(float nominalSize);
    // A given font file (tests, and fallbacks).
    UIFont(float nominalSize, const std::string& path);
    ~UIFont();
    UIFont(const UIFont&) = delete;
    UIFont& operator=(const UIFont&) = delete;

    bool loaded() const;
    float nominalSize() const { return nominalSize_; }

    // Render thread, with the context that will draw the text current:
    // rasterises the glyphs of the codes 32 to 126.
    void preloadGlyphs();
    float textWidth(const char* text) const;  // half the advance at the doubled size
    float lineHeight() const;
    float descender() const;                   // negative below the baseline

    // The quads of text with the pen starting at (floor x, floor y); one
    // entry per character, null-quads (all zero) for characters that draw
    // nothing, so a run's vertex slots stay aligned with its characters.
    void layout(const char* text, float x, float y, std::vector<GlyphQuad>& quads, std::vector<bool>& drawn);
    // The texture the glyphs live in; 0 before preloadGlyphs.
    unsigned texture() const;
    // Render thread, in the context that made the texture: deletes it (the
    // context's own deletion frees it as well).
    void releaseGlyphs();

    struct Impl;

private:
    float nominalSize_;
    std::unique_ptr<Impl> impl_;
};

// The text state: the font's texture bound and enabled, alpha test greater
// than 0, blending source alpha / one minus source alpha; endText switches
// texturing, alpha test and blending off again. For a loaded font only.
void beginText(UIFont* font);
void endText();

// Immediate text in the current colour; nothing without a font.
void drawString(UIFont* font, const char* text, float x, float y);
float textWidth(UIFont* font, const char* text);
float lineHeight(UIFont* font);
float descender(UIFont* font);

}  // namespace HD
