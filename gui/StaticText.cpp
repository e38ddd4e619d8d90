#include "gui/StaticText.h"

#include <cstring>

#include "gui/GL.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"

namespace HD {

namespace {
constexpr int kFloatsPerVertex = 5;  // s, t, x, y, z: GL_T2F_V3F
constexpr int kVerticesPerGlyph = 4;
}  // namespace

StaticText::StaticText(UIWindow* window) : Effect(window) {}

StaticText::~StaticText() = default;

int StaticText::addText(const char* text, float x, float y, const float* colour)
{
    Run run;
    run.text = text ? text : "";
    run.colour = colour;
    run.x = x;
    run.y = y;
    run.first = -1;  // placed by createResources
    run.count = kVerticesPerGlyph * static_cast<int>(run.text.size());
    runs_.push_back(std::move(run));
    dirty_ = true;
    return static_cast<int>(runs_.size()) - 1;
}

void StaticText::createResources()
{
    dirty_ = false;
    UIFont* font = window() ? window()->font : nullptr;
    if (!font) return;

    int total = 0;
    for (Run& run : runs_) {
        run.first = total;
        total += run.count;
    }
    // Slots of characters that draw nothing stay zero: degenerate quads.
    vertices_.reset(new float[static_cast<size_t>(total) * kFloatsPerVertex]());

    std::vector<GlyphQuad> quads;
    std::vector<bool> drawn;
    for (const Run& run : runs_) {
        font->layout(run.text.c_str(), run.x, run.y, quads, drawn);
        float* v = vertices_.get() + static_cast<size_t>(run.first) * kFloatsPerVertex;
        for (size_t i = 0; i < quads.size(); ++i, v += kVerticesPerGlyph * kFloatsPerVertex) {
            if (!drawn[i]) continue;
            const GlyphQuad& q = quads[i];
            const float quad[kVerticesPerGlyph * kFloatsPerVertex] = {
                q.s0, q.t0, q.x0, q.y0, 0.0f,  //
                q.s0, q.t1, q.x0, q.y1, 0.0f,  //
                q.s1, q.t1, q.x1, q.y1, 0.0f,  //
                q.s1, q.t0, q.x1, q.y0, 0.0f,
            };
            std::memcpy(v, quad, sizeof quad);
        }
    }
}

void StaticText::draw()
{
    UIFont* font = window() ? window()->font : nullptr;
    if (!font) return;
    if (dirty_) createResources();
    if (!vertices_) return;

    beginText(font);
    glInterleavedArrays(GL_T2F_V3F, 0, vertices_.get());
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (const Run& run : runs_) {
        if (run.count == 0) continue;
        if (run.colour) glColor4fv(run.colour);
        glDrawArrays(GL_QUADS, run.first, run.count);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    endText();
}

}  // namespace HD
