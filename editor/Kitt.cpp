#include "editor/Kitt.h"

#include <algorithm>

#include "editor/WaveformDisplay.h"
#include "gui/GL.h"
#include "gui/UITexture.h"
#include "gui/UIWindow.h"

namespace HD {

Kitt::Kitt(UIWindow* window, float y, const DisplayState* state)
    : UIElement(window), box_(displayStripBox(y)), state_(state)
{
    // The window owns the texture record; without one there is nobody to.
    if (window) {
        texture_ = new UITexture(kTextureResourceId);
        window->textures.push_back(texture_);
    }
}

void Kitt::getBounds(BoundingBox& box) { box.enlarge(box_); }

void Kitt::advance(float position, bool forward)
{
    std::copy_backward(positions_, positions_ + kHistory - 1, positions_ + kHistory);
    std::copy_backward(directions_, directions_ + kHistory - 1, directions_ + kHistory);
    positions_[0] = position;
    directions_[0] = forward ? 1 : 0;
}

Kitt::Blob Kitt::blobFor(const BoundingBox& box, int j, float position, bool forward)
{
    const float width = box.maxX - box.minX;
    const float height = box.maxY - box.minY;
    const float t = 0.05f * static_cast<float>(j);  // age: 0 newest

    Blob blob;
    blob.centre = box.minX + position * width;
    // Older blobs are taller: 40 % of the height for the newest, nearly all for the oldest.
    const float s = height - 0.3f * height * (1.0f - t * t);
    blob.top = box.minY + s;
    blob.bottom = box.maxY - s;
    // The longer wing trails the direction of travel.
    blob.leftWing = forward ? 20.0f : 10.0f;
    blob.rightWing = forward ? 10.0f : 20.0f;
    // White at the ends of the delay line, red from a tenth of the way in.
    const float edge = position <= 0.5f ? position : 1.0f - position;
    blob.green = 1.0f - 0.8f * std::min(10.0f * edge, 1.0f);
    blob.alpha = 0.5f - 0.5f * t;
    return blob;
}

void Kitt::draw()
{
    if (state_)
        advance(state_->sweepPosition, (state_->sweepDirection & 0xFFu) != 0);
    else
        advance(0.0f, false);

    const bool textured = texture_ && texture_->textureName != 0;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    if (textured) {
        glBindTexture(GL_TEXTURE_2D, texture_->textureName);
        glEnable(GL_TEXTURE_2D);
    }
    glBegin(GL_QUADS);
    for (int j = 0; j < kHistory; ++j) {
        const Blob b = blob(j);
        const float left = b.centre - b.leftWing;
        const float right = b.centre + b.rightWing;
        // Left half of the disc image, mirrored for the right quad.
        glColor4fv(kKittOuterColour);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(left, b.top);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(left, b.bottom);
        glColor4f(1.0f, b.green, b.green, b.alpha);
        glTexCoord2f(0.5f, 1.0f);
        glVertex2f(b.centre, b.bottom);
        glTexCoord2f(0.5f, 0.0f);
        glVertex2f(b.centre, b.top);

        glTexCoord2f(0.5f, 0.0f);
        glVertex2f(b.centre, b.top);
        glTexCoord2f(0.5f, 1.0f);
        glVertex2f(b.centre, b.bottom);
        glColor4fv(kKittOuterColour);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(right, b.bottom);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(right, b.top);
    }
    glEnd();
    if (textured) {
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glDisable(GL_BLEND);
}

}  // namespace HD
