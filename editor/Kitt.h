// The scanner: a glowing blob at the delay's sweep position over the delay
// line, trailing fainter, taller blobs where the sweep was in the last 20
// frames.
//
// Threads: construction on the window thread; draw and advance on the
// render thread, which copies the display state itself before each frame.
#pragma once

#include "framework/DisplayState.h"
#include "gui/UIElement.h"
#include "resources/ResourceIds.h"

namespace HD {

class UITexture;

class Kitt : public UIElement
{
public:
    static constexpr int kHistory = 20;
    static constexpr int kTextureResourceId = PARFELLE_ID_DISC_IMAGE;  // the soft disc

    // Registers the scanner's texture in the window's texture list.
    Kitt(UIWindow* window, float y, const DisplayState* state);

    void getBounds(BoundingBox& box) override;
    // Advances the history by the state's sweep, then draws it.
    void draw() override;

    // One drawn frame's step: the oldest entry falls out, position and
    // direction become the newest.
    void advance(float position, bool forward);

    // One blob of the trail, in the element's coordinates.
    struct Blob
    {
        float centre;             // x
        float top, bottom;        // top above bottom
        float leftWing, rightWing;
        float green;              // the centre colour is (1, green, green)
        float alpha;              // the centre's; the wings fade to 0
    };
    // Entry j of the history (0 newest) as drawn in box.
    static Blob blobFor(const BoundingBox& box, int j, float position, bool forward);
    Blob blob(int j) const { return blobFor(box_, j, positions_[j], directions_[j] != 0); }

    const BoundingBox& box() const { return box_; }
    UITexture* texture() const { return texture_; }
    float position(int j) const { return positions_[j]; }
    bool forward(int j) const { return directions_[j] != 0; }

private:
    BoundingBox box_;
    const DisplayState* state_;
    UITexture* texture_ = nullptr;
    float positions_[kHistory] = {};
    unsigned char directions_[kHistory] = {};
};

// The trail's outer colour; it fades to nothing.
constexpr float kKittOuterColour[4] = {0.6f, 0.0f, 0.6f, 0.0f};

}  // namespace HD
