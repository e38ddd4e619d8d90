#include "editor/WaveformDisplay.h"

#include "gui/GL.h"

namespace HD {

// OpenGL reads the effect's atomics as plain floats.
static_assert(sizeof(std::atomic<float>) == sizeof(float) && alignof(std::atomic<float>) == alignof(float),
              "the column array is handed to OpenGL as floats");
static_assert(std::atomic<float>::is_always_lock_free, "the column array is handed to OpenGL as floats");

BoundingBox displayStripBox(float y)
{
    BoundingBox box;
    box.minX = 20.0f;
    box.minY = y;
    box.minZ = 0.0f;
    box.maxX = 750.0f;
    box.maxY = y + 100.0f;
    box.maxZ = 0.0f;
    return box;
}

WaveformDisplay::WaveformDisplay(UIWindow* window, float y, const DisplayState* state)
    : UIElement(window), box_(displayStripBox(y)), state_(state)
{
}

void WaveformDisplay::getBounds(BoundingBox& box) { box.enlarge(box_); }

void WaveformDisplay::draw()
{
    const std::atomic<float>* columns = this->columns();
    if (!columns) return;
    const float* points = reinterpret_cast<const float*>(columns);
    constexpr GLsizei kColumnStride = 4 * sizeof(float);

    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    // Column numbers across the box, y from -1 at its bottom to 1 at its top.
    glTranslatef(box_.minX, box_.centreY(), 0.0f);
    glScalef((box_.maxX - box_.minX) / kColumns, (box_.maxY - box_.minY) / 2.0f, 1.0f);

    glEnableClientState(GL_VERTEX_ARRAY);
    // The band between the envelopes: pairs of (lower, upper) points.
    glColor4f(0.8f, 0.8f, 1.0f, 0.25f);
    glVertexPointer(2, GL_FLOAT, 0, points);
    glDrawArrays(GL_QUAD_STRIP, 0, 2 * kColumns);
    // Each envelope on its own: every other point.
    glColor4f(0.8f, 0.8f, 1.0f, 0.75f);
    glVertexPointer(2, GL_FLOAT, kColumnStride, points);
    glDrawArrays(GL_LINE_STRIP, 0, kColumns);
    glVertexPointer(2, GL_FLOAT, kColumnStride, points + 2);
    glDrawArrays(GL_LINE_STRIP, 0, kColumns);
    glDisableClientState(GL_VERTEX_ARRAY);

    glPopMatrix();
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_BLEND);
}

}  // namespace HD
