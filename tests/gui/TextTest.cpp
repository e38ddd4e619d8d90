// Text: finding the system font, the font's metrics against the texture-font
// library the layout was designed around, laying out strings, the static
// text's vertex array, and what both ways of drawing put on the screen.
#include <gtest/gtest.h>

#include <FTGL/ftgl.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestGLContext.h"
#include "ToolkitRig.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"
#include "platform/SystemServices.h"
#include "support/CapturedErrors.h"
#include "support/System.h"

using HD::GlyphQuad;
using HD::StaticText;
using HD::UIFont;

namespace {

// Sets or (with null) removes an environment variable for the test's
// duration, and puts the old value back.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnvironment() { set(had_ ? old_.c_str() : nullptr); }

private:
    void set(const char* value) { support::setEnvironment(name_, value); }
    std::string name_;
    bool had_ = false;
    std::string old_;
};

using rig::kKerningFace;
using rig::kWineFontFolderParent;
using rig::kWineTahoma;
using rig::readable;

using support::CapturedErrors;

// FreeType on its own, at the doubled size with unhinted outlines: an
// independent source for what each glyph should look like and measure.
class ReferenceFace
{
public:
    ReferenceFace(const std::string& path, float nominal)
    {
        ok_ = FT_Init_FreeType(&library_) == 0 && FT_New_Face(library_, path.c_str(), 0, &face_) == 0 &&
              FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(nominal * 2 * 64), 72, 72) == 0;
    }
    ~ReferenceFace()
    {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    bool ok() const { return ok_; }
    FT_Face face() const { return face_; }

    struct Glyph
    {
        float advance = 0;
        int left = 0, top = 0, width = 0, rows = 0;
        std::vector<unsigned char> alpha;  // rows top first
        // Bilinear sample at (u, v) in bitmap texels from the top-left corner.
        double sample(double u, double v) const
        {
            const double x = u - 0.5, y = v - 0.5;
            const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
            const double fx = x - x0, fy = y - y0;
            return (1 - fx) * (1 - fy) * at(x0, y0) + fx * (1 - fy) * at(x0 + 1, y0) + (1 - fx) * fy * at(x0, y0 + 1) +
                   fx * fy * at(x0 + 1, y0 + 1);
        }
        double at(int x, int y) const
        {
            if (x < 0 || y < 0 || x >= width || y >= rows) return 0.0;
            return alpha[static_cast<size_t>(y * width + x)] / 255.0;
        }
    };

    Glyph glyph(unsigned char c) const
    {
        Glyph g;
        const FT_UInt index = FT_Get_Char_Index(face_, c);
        if (FT_Load_Glyph(face_, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return g;
        g.advance = static_cast<float>(face_->glyph->advance.x) / 64.0f;
        if (FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) != 0) return g;
        const FT_Bitmap& b = face_->glyph->bitmap;
        g.left = face_->glyph->bitmap_left;
        g.top = face_->glyph->bitmap_top;
        g.width = static_cast<int>(b.width);
        g.rows = static_cast<int>(b.rows);
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x) g.alpha.push_back(b.buffer[y * b.pitch + x]);
        return g;
    }

    float kerning(unsigned char a, unsigned char b) const
    {
        const FT_UInt left = FT_Get_Char_Index(face_, a), right = FT_Get_Char_Index(face_, b);
        if (!FT_HAS_KERNING(face_) || !left || !right) return 0.0f;
        FT_Vector k{0, 0};
        FT_Get_Kerning(face_, left, right, FT_KERNING_UNFITTED, &k);
        return static_cast<float>(k.x) / 64.0f;
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    bool ok_ = false;
};

std::vector<GlyphQuad> layoutOf(UIFont& font, const char* text, float x, float y, std::vector<bool>* drawn = nullptr)
{
    std::vector<GlyphQuad> quads;
    std::vector<bool> flags;
    font.layout(text, x, y, quads, flags);
    if (drawn) *drawn = flags;
    return quads;
}

void expectSameQuad(const GlyphQuad& a, const GlyphQuad& b)
{
    EXPECT_EQ(a.s0, b.s0);
    EXPECT_EQ(a.t0, b.t0);
    EXPECT_EQ(a.s1, b.s1);
    EXPECT_EQ(a.t1, b.t1);
    EXPECT_EQ(a.x0, b.x0);
    EXPECT_EQ(a.y0, b.y0);
    EXPECT_EQ(a.x1, b.x1);
    EXPECT_EQ(a.y1, b.y1);
}

}  // namespace

TEST(SystemFontTest, AWindowsDirectoryMeansTheWindowsRule)
{
    ScopedEnvironment windir("WINDIR", "D:\\WinNT");
    EXPECT_EQ(platform::systemFontPath(), "D:\\WinNT\\fonts\\tahoma.ttf");
}

TEST(SystemFontTest, WithoutAWindowsDirectory)
{
    ScopedEnvironment windir("WINDIR", nullptr);
    const std::string path = platform::systemFontPath();
    if (support::onWindows()) {
        EXPECT_EQ(path, "c:\\windows\\fonts\\tahoma.ttf");
        return;
    }
    // Fontconfig's choice: Tahoma when Wine's fonts are installed, else a sans face.
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(readable(path)) << path;
    ReferenceFace face(path, 14);
    ASSERT_TRUE(face.ok()) << path;
    const std::string family = face.face()->family_name ? face.face()->family_name : "";
    // The regular face, not the bold one beside it.
    EXPECT_EQ(face.face()->style_flags & (FT_STYLE_FLAG_BOLD | FT_STYLE_FLAG_ITALIC), 0) << path;
    if (readable(kWineTahoma))
        EXPECT_EQ(family, "Tahoma") << path;
    else
        EXPECT_FALSE(family.empty()) << path;
}

TEST(FontTest, AMissingFontFileIsReportedOnceAndDrawsNothing)
{
    CapturedErrors errors;
    ScopedEnvironment windir("WINDIR", "nowhere-at-all");
    UIFont font(14.0f);
    ASSERT_EQ(CapturedErrors::texts().size(), 1u);
    EXPECT_EQ(CapturedErrors::texts()[0], "Unable to locate the required font file 'nowhere-at-all\\fonts\\tahoma.ttf'");
    EXPECT_FALSE(CapturedErrors::icons()[0]) << "a plain box, no icon";

    EXPECT_FALSE(font.loaded());
    EXPECT_EQ(font.lineHeight(), 0.0f);
    EXPECT_EQ(font.descender(), 0.0f);
    EXPECT_EQ(font.textWidth("Feedback"), 0.0f);
    EXPECT_EQ(HD::textWidth(&font, "Feedback"), 0.0f);
    EXPECT_EQ(HD::lineHeight(nullptr), 0.0f);
    std::vector<bool> drawn;
    const auto quads = layoutOf(font, "Hi", 10, 10, &drawn);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FALSE(drawn[0]);
    EXPECT_FALSE(drawn[1]);
    HD::drawString(&font, "Hi", 10, 10);  // returns before any drawing: no context is needed
    HD::drawString(nullptr, "Hi", 10, 10);

    // A path given outright fails quietly: the caller chose it.
    UIFont given(14.0f, "no-such-font-file.ttf");
    EXPECT_FALSE(given.loaded());
    EXPECT_EQ(CapturedErrors::texts().size(), 1u);
}

TEST(FontTest, TheFontFromAWindowsDirectory)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    CapturedErrors errors;
    ScopedEnvironment windir("WINDIR", kWineFontFolderParent);
    UIFont font(14.0f);
    if (support::onWindows()) {
        EXPECT_TRUE(font.loaded());
        EXPECT_TRUE(CapturedErrors::texts().empty());
        EXPECT_GT(font.lineHeight(), 0.0f);
    } else {
        // Linux follows the Windows rule literally: a backslash path is no file here.
        EXPECT_FALSE(font.loaded());
        EXPECT_EQ(CapturedErrors::texts().size(), 1u);
    }
}

// The metrics the panel's layout was designed with are the texture-font
// library's: half of what it reports at the doubled size.
TEST(FontTest, MetricsAreHalfTheTextureFontsAtTwiceTheSize)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    // The library makes textures as it measures: give it a context.
    TestGLContext gl(16, 16);
    ASSERT_TRUE(gl.ok()) << gl.error();

    const char* const strings[] = {"Feedback", "Filter LFO Amount", "haldrane : parfelle 2.0.2", "1/16",
                                   "AVAWAy To.", " ~!@#$%^&*()_+{}|:\"<>?`-=[]\\;',./"};
    for (float nominal : {14.0f, 11.0f}) {
        UIFont font(nominal, kWineTahoma);
        ASSERT_TRUE(font.loaded());
        FTTextureFont reference(kWineTahoma);
        ASSERT_EQ(reference.Error(), 0);
        ASSERT_TRUE(reference.FaceSize(static_cast<unsigned>(nominal * 2), 72));

        EXPECT_FLOAT_EQ(font.lineHeight(), reference.LineHeight() * 0.5f) << nominal;
        EXPECT_FLOAT_EQ(font.descender(), reference.Descender() * 0.5f) << nominal;
        EXPECT_LT(font.descender(), 0.0f);
        for (const char* s : strings) EXPECT_FLOAT_EQ(font.textWidth(s), reference.Advance(s) * 0.5f) << s;
    }

    // The same by FreeType alone: the face's height over its bounding box,
    // scaled to 28 pixels per em, halved.
    ReferenceFace face(kWineTahoma, 14);
    ASSERT_TRUE(face.ok());
    const FT_Face f = face.face();
    UIFont font(14.0f, kWineTahoma);
    EXPECT_NEAR(font.lineHeight(), (f->bbox.yMax - f->bbox.yMin) * 28.0 / f->units_per_EM * 0.5, 1e-4);
    EXPECT_FLOAT_EQ(font.descender(), static_cast<float>(f->size->metrics.descender) / 64.0f * 0.5f);
}

TEST(LayoutTest, GlyphsSitWhereTheFaceSaysFromAFlooredPen)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    UIFont font(14.0f, kWineTahoma);
    ReferenceFace face(kWineTahoma, 14);
    ASSERT_TRUE(font.loaded());
    ASSERT_TRUE(face.ok());
    ASSERT_FALSE(FT_HAS_KERNING(face.face())) << "the expectations below assume no kerning pairs";

    // The pen starts at (floor x, floor y).
    const auto fractional = layoutOf(font, "Hi", 60.7f, 100.3f);
    const auto whole = layoutOf(font, "Hi", 60.0f, 100.0f);
    ASSERT_EQ(fractional.size(), 2u);
    for (size_t i = 0; i < 2; ++i) expectSameQuad(fractional[i], whole[i]);

    const ReferenceFace::Glyph H = face.glyph('H'), i = face.glyph('i');
    ASSERT_GT(H.width, 0);
    ASSERT_GT(H.rows, 0);
    // Corner at the pen plus half the bitmap offset; half the bitmap's size.
    EXPECT_FLOAT_EQ(whole[0].x0, 60.0f + H.left * 0.5f);
    EXPECT_FLOAT_EQ(whole[0].y0, 100.0f + H.top * 0.5f);
    EXPECT_FLOAT_EQ(whole[0].x1 - whole[0].x0, H.width * 0.5f);
    EXPECT_FLOAT_EQ(whole[0].y0 - whole[0].y1, H.rows * 0.5f);
    // The next glyph starts half an advance further.
    EXPECT_FLOAT_EQ(whole[1].x0, 60.0f + H.advance * 0.5f + i.left * 0.5f);
    EXPECT_FLOAT_EQ(whole[1].y0, 100.0f + i.top * 0.5f);
    // Texture corners inside the texture, in the order the quad uses them.
    for (const GlyphQuad& q : whole) {
        EXPECT_GE(q.s0, 0.0f);
        EXPECT_LT(q.s0, q.s1);
        EXPECT_LE(q.s1, 1.0f);
        EXPECT_GE(q.t0, 0.0f);
        EXPECT_LT(q.t0, q.t1);
        EXPECT_LE(q.t1, 1.0f);
    }
    EXPECT_NE(whole[0].s0, whole[1].s0) << "each glyph has its own place in the texture";
}

TEST(LayoutTest, KerningMovesThePen)
{
    if (!readable(kKerningFace)) GTEST_SKIP() << "no face with kerning pairs here: " << kKerningFace;
    UIFont font(14.0f, kKerningFace);
    ReferenceFace face(kKerningFace, 14);
    ASSERT_TRUE(font.loaded());
    ASSERT_TRUE(face.ok());
    const float kern = face.kerning('A', 'V');
    ASSERT_LT(kern, 0.0f) << "the test needs a face that kerns A and V";

    const auto quads = layoutOf(font, "AV", 5, 5);
    const ReferenceFace::Glyph A = face.glyph('A'), V = face.glyph('V');
    EXPECT_FLOAT_EQ(quads[1].x0, 5.0f + (A.advance + kern) * 0.5f + V.left * 0.5f);
    EXPECT_FLOAT_EQ(font.textWidth("AV"), (A.advance + kern + V.advance) * 0.5f);
}

TEST(LayoutTest, CharactersWithoutGlyphs)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    UIFont font(14.0f, kWineTahoma);
    ASSERT_TRUE(font.loaded());

    // Leading glyphless characters are skipped: the first glyph is at the pen.
    std::vector<bool> drawn;
    const auto led = layoutOf(font, "\x01\x02H", 20, 30, &drawn);
    const auto plain = layoutOf(font, "H", 20, 30);
    ASSERT_EQ(led.size(), 3u);
    EXPECT_FALSE(drawn[0]);
    EXPECT_FALSE(drawn[1]);
    EXPECT_TRUE(drawn[2]);
    expectSameQuad(led[2], plain[0]);
    expectSameQuad(led[0], GlyphQuad{});

    // In the middle they take no space.
    const auto gap = layoutOf(font, "H\xe9i", 20, 30, &drawn);
    const auto joined = layoutOf(font, "Hi", 20, 30);
    EXPECT_FALSE(drawn[1]);
    expectSameQuad(gap[2], joined[1]);

    // Nothing but glyphless characters: nothing at all.
    layoutOf(font, "\x01\x7f\xff", 0, 0, &drawn);
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), true), 0);

    // A space has a glyph without ink: a quad of no size, and it advances the pen.
    const auto spaced = layoutOf(font, "H i", 20, 30, &drawn);
    EXPECT_TRUE(drawn[1]);
    EXPECT_EQ(spaced[1].x0, spaced[1].x1);
    EXPECT_GT(spaced[2].x0, joined[1].x0);

    // Nor do they count in a width.
    EXPECT_FLOAT_EQ(font.textWidth("H\x01\xe9i\x7f"), font.textWidth("Hi"));

    // The empty string lays out to nothing and has no width.
    EXPECT_TRUE(layoutOf(font, "", 0, 0).empty());
    EXPECT_FLOAT_EQ(font.textWidth(""), 0.0f);
}

TEST(StaticTextTest, RunsAndTheirVertexArray)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    auto* font = new UIFont(14.0f, kWineTahoma);
    rig::Rig r(font);
    StaticText text(&r.window);
    EXPECT_TRUE(text.dirty());
    EXPECT_EQ(text.vertices(), nullptr);

    const float red[4] = {1, 0, 0, 1};
    EXPECT_EQ(text.addText("Ab", 10.5f, 20.0f, red), 0);
    EXPECT_EQ(text.addText("", 0, 0, red), 1);
    EXPECT_EQ(text.addText("\x01Q", 30, 40, red), 2);
    ASSERT_EQ(text.runs().size(), 3u);
    EXPECT_EQ(text.runs()[0].text, "Ab");
    EXPECT_EQ(text.runs()[0].count, 8);
    EXPECT_EQ(text.runs()[1].count, 0);
    EXPECT_EQ(text.runs()[2].count, 8);
    EXPECT_EQ(text.runs()[0].colour, red);

    text.createResources();
    EXPECT_FALSE(text.dirty());
    EXPECT_EQ(text.runs()[0].first, 0);
    EXPECT_EQ(text.runs()[1].first, 8);
    EXPECT_EQ(text.runs()[2].first, 8);
    ASSERT_NE(text.vertices(), nullptr);

    // Each character's four vertices: (s0,t0)@(x0,y0), (s0,t1)@(x0,y1),
    // (s1,t1)@(x1,y1), (s1,t0)@(x1,y0), z = 0; nothing for the glyphless one.
    for (const StaticText::Run& run : text.runs()) {
        std::vector<bool> drawn;
        const auto quads = layoutOf(*font, run.text.c_str(), run.x, run.y, &drawn);
        for (size_t c = 0; c < quads.size(); ++c) {
            const GlyphQuad& q = quads[c];
            const float* v = text.vertices() + (static_cast<size_t>(run.first) + 4 * c) * 5;
            const float expected[20] = {q.s0, q.t0, q.x0, q.y0, 0, q.s0, q.t1, q.x0, q.y1, 0,
                                        q.s1, q.t1, q.x1, q.y1, 0, q.s1, q.t0, q.x1, q.y0, 0};
            for (int k = 0; k < 20; ++k) {
                if (drawn[c])
                    EXPECT_EQ(v[k], expected[k]) << run.text << " " << c << " " << k;
                else
                    EXPECT_EQ(v[k], 0.0f) << run.text << " " << c << " " << k;
            }
        }
    }
    // The run at x = 10.5 starts at 10.
    EXPECT_FLOAT_EQ(text.vertices()[2], 10.0f + (layoutOf(*font, "A", 10, 20)[0].x0 - 10.0f));

    // A new run makes it dirty again.
    text.addText("z", 0, 0, red);
    EXPECT_TRUE(text.dirty());
}

TEST(StaticTextTest, WithoutAFontThereIsNothingToBuild)
{
    rig::Rig r;
    ASSERT_EQ(r.window.font, nullptr);
    StaticText text(&r.window);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    text.addText("Delay", 10, 10, grey);
    text.createResources();
    EXPECT_FALSE(text.dirty());
    EXPECT_EQ(text.vertices(), nullptr);
    text.draw();  // nothing to draw, and no context needed to find that out
}

namespace {

// What a string drawn in colour over black must look like: each pixel whose
// centre lies in a glyph's quad shows the glyph's coverage there (the
// doubled-size bitmap sampled bilinearly) blended over what is already there,
// every other pixel stays black. A pixel centre exactly on a quad's edge may
// go either way, so there both outcomes are accepted.
struct ExpectedImage
{
    ExpectedImage(int width, int height)
        : width(width), height(height), low(static_cast<size_t>(width * height * 3)),
          high(static_cast<size_t>(width * height * 3))
    {
    }

    void add(const GlyphQuad& q, const ReferenceFace::Glyph& g, const float colour[3])
    {
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                if (cx < q.x0 || cx > q.x1 || cy < q.y1 || cy > q.y0) continue;
                const bool edge = cx == q.x0 || cx == q.x1 || cy == q.y1 || cy == q.y0;
                const double coverage = g.sample((cx - q.x0) * 2.0, (q.y0 - cy) * 2.0);
                if (coverage <= 0.0) continue;  // the alpha test drops it
                for (int k = 0; k < 3; ++k) {
                    const size_t i = static_cast<size_t>((py * width + px) * 3 + k);
                    const double lo = coverage * colour[k] + (1 - coverage) * low[i];
                    const double hi = coverage * colour[k] + (1 - coverage) * high[i];
                    low[i] = edge ? std::min(low[i], lo) : lo;
                    high[i] = edge ? std::max(high[i], hi) : hi;
                }
            }
    }

    // Largest distance, in 0..1, of the pixels read back from the accepted
    // range; lit counts the pixels the expectation surely lights.
    double compare(const std::vector<unsigned char>& pixels, int& lit) const
    {
        double worst = 0;
        lit = 0;
        for (int i = 0; i < width * height; ++i) {
            bool on = false;
            for (int k = 0; k < 3; ++k) {
                const size_t j = static_cast<size_t>(i * 3 + k);
                const double got = pixels[static_cast<size_t>(i * 4 + k)] / 255.0;
                on = on || low[j] > 0.25;
                worst = std::max(worst, std::max(low[j] - got, got - high[j]));
            }
            lit += on ? 1 : 0;
        }
        return worst;
    }

    int width, height;
    std::vector<double> low, high;
};

void addString(ExpectedImage& image, UIFont& font, const ReferenceFace& face, const char* text, float x, float y,
               const float colour[3])
{
    std::vector<bool> drawn;
    const auto quads = layoutOf(font, text, x, y, &drawn);
    for (size_t i = 0; i < quads.size(); ++i)
        if (drawn[i]) image.add(quads[i], face.glyph(static_cast<unsigned char>(text[i])), colour);
}

// Filtering and blending in 8 bits, nothing more.
constexpr double kPixelTolerance = 6.0 / 255.0;

void expectTextStateOff()
{
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

}  // namespace

TEST(TextDrawingTest, DrawStringPutsEachGlyphInItsQuad)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    TestGLContext gl(160, 60);
    ASSERT_TRUE(gl.ok()) << gl.error();
    UIFont font(14.0f, kWineTahoma);
    ReferenceFace face(kWineTahoma, 14);
    ASSERT_TRUE(font.loaded());
    ASSERT_TRUE(face.ok());
    font.preloadGlyphs();
    EXPECT_NE(font.texture(), 0u);

    rig::pixelProjection(gl.width(), gl.height());
    glColor4f(1, 1, 1, 1);
    HD::drawString(&font, "Hg@ %W", 10.7f, 20.2f);
    expectTextStateOff();

    const float white[3] = {1, 1, 1};
    ExpectedImage expected(gl.width(), gl.height());
    addString(expected, font, face, "Hg@ %W", 10.7f, 20.2f, white);
    int lit = 0;
    EXPECT_LE(expected.compare(gl.readPixels(), lit), kPixelTolerance);
    EXPECT_GT(lit, 100) << "the glyphs have ink";

    // The colour is the current one.
    rig::pixelProjection(gl.width(), gl.height());
    glColor4f(0, 1, 0, 1);
    HD::drawString(&font, "Hg@ %W", 10.7f, 20.2f);
    ExpectedImage green(gl.width(), gl.height());
    const float greenColour[3] = {0, 1, 0};
    addString(green, font, face, "Hg@ %W", 10.7f, 20.2f, greenColour);
    EXPECT_LE(green.compare(gl.readPixels(), lit), kPixelTolerance);
    font.releaseGlyphs();
    EXPECT_EQ(font.texture(), 0u);
}

TEST(TextDrawingTest, StaticRunsFollowTheirColoursAndEmptyRunsDrawNothing)
{
    ASSERT_TRUE(readable(kWineTahoma)) << "Wine's fonts (fonts-wine) are needed for this test";
    TestGLContext gl(200, 80);
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto* font = new UIFont(14.0f, kWineTahoma);
    ReferenceFace face(kWineTahoma, 14);
    ASSERT_TRUE(face.ok());
    rig::Rig r(font);
    StaticText text(&r.window);

    // Only an empty run: a black image.
    float first[4] = {1, 0, 0, 1};
    float second[4] = {0, 1, 0, 1};
    text.addText("", 10, 10, first);
    rig::pixelProjection(gl.width(), gl.height());
    text.draw();
    expectTextStateOff();
    const auto blank = gl.readPixels();
    EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](unsigned char v) { return v == 0; }));

    // Both runs as the reference rasteriser draws them, in their colours now.
    auto expectBothRuns = [&] {
        ExpectedImage expected(gl.width(), gl.height());
        addString(expected, *font, face, "Level", 60.7f, 45.5f, first);
        addString(expected, *font, face, "Q!", 20, 10, second);
        int lit = 0;
        EXPECT_LE(expected.compare(gl.readPixels(), lit), kPixelTolerance);
        EXPECT_GT(lit, 50);
    };
    text.addText("Level", 60.7f, 45.5f, first);
    text.addText("Q!", 20, 10, second);
    EXPECT_TRUE(text.dirty());
    rig::pixelProjection(gl.width(), gl.height());
    text.draw();  // builds the array first, as it is dirty
    EXPECT_FALSE(text.dirty());
    expectTextStateOff();
    expectBothRuns();

    // The owner changes the colour; the next frame shows it, with no new run.
    first[0] = 0;
    first[2] = 1;
    rig::pixelProjection(gl.width(), gl.height());
    text.draw();
    expectBothRuns();
}
