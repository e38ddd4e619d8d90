#include "editor/PhaseDisc.h"

#include <algorithm>
#include <cmath>

#include "gui/GL.h"

namespace HD {

PhaseDisc::PhaseDisc(UIWindow* window, const float* source) : UIElement(window), source_(source)
{
    box_.minX = 176.0f;
    box_.minY = 0.0f;
    box_.minZ = 0.0f;
    box_.maxX = 206.0f;
    box_.maxY = 30.0f;
    box_.maxZ = 0.0f;
}

void PhaseDisc::getBounds(BoundingBox& box) { box.enlarge(box_); }

void PhaseDisc::advance(float phase)
{
    constexpr double kTwoPi = 6.283185307179586;
    std::copy_backward(history_, history_ + kHistory - 1, history_ + kHistory);
    const double angle = kTwoPi * phase;
    history_[0] = Entry{phase, static_cast<float>(std::sin(angle)), static_cast<float>(std::cos(angle))};
}

void PhaseDisc::draw()
{
    advance(source_ ? *source_ : 0.0f);

    const float cx = box_.centreX(), cy = box_.centreY();
    const float rx = (box_.maxX - box_.minX) / 2.0f, ry = (box_.maxY - box_.minY) / 2.0f;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glBegin(GL_TRIANGLE_FAN);
    glColor4fv(kPhaseDiscCentreColour);
    glVertex2f(cx, cy);
    for (int n = 0; n < kHistory; ++n) {
        const float p = 1.0f - 0.1f * static_cast<float>(n);
        glColor4f(p, p / 2.0f, 0.0f, p);
        glVertex2f(cx + history_[n].sine * rx, cy + history_[n].cosine * ry);
    }
    glEnd();
    glDisable(GL_BLEND);
}

}  // namespace HD
