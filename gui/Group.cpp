#include "gui/Group.h"

#include "gui/GL.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"

namespace HD {

void addChild(Group* group, UIElement* element)
{
    group->children_.push_back(element);
    element->parent_ = group;
}

void Group::draw()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(offset[0], offset[1], offset[2]);
    for (UIElement* child : children_) child->draw();
    glPopMatrix();
}

namespace {

// Enlarges box by the children's extent, widened by margin in x and y, moved
// by the group's offset.
void enlargeByChildren(BoundingBox& box, const std::vector<UIElement*>& children, const float offset[3],
                       float margin)
{
    BoundingBox local;
    for (UIElement* child : children) child->getBounds(local);
    // No children, nothing to add (an empty box moved far could look non-empty).
    if (local.isEmpty()) return;
    local.minX -= margin;
    local.minY -= margin;
    local.maxX += margin;
    local.maxY += margin;
    local.translate(offset[0], offset[1], offset[2]);
    box.enlarge(local);
}

}  // namespace

void Group::getBounds(BoundingBox& box) { enlargeByChildren(box, children_, offset, 0.0f); }

UIElement* Group::hitTest(Point point)
{
    const Point local{point.x - offset[0], point.y - offset[1]};
    for (UIElement* child : children_)
        if (UIElement* found = child->hitTest(local)) return found;
    return nullptr;
}

float NamedGroup::hoverColour[4] = {0.5f, 0.6f, 0.7f, 0.6f};
float NamedGroup::normalColour[4] = {0.4f, 0.4f, 0.6f, 0.5f};

NamedGroup::NamedGroup(UIWindow* window, const char* name) : Group(window), name(name) {}

void NamedGroup::getBounds(BoundingBox& box) { enlargeByChildren(box, children(), offset, margin); }

void NamedGroup::prepareGraphics()
{
    const BoundingBox box = windowBounds(this);
    float titleWidth = 0.0f;
    UIFont* font = window()->font;
    if (font && window()->text && name) {
        window()->text->addText(name, box.minX + margin, box.maxY - font->lineHeight() / 2.0f - font->descender(),
                                colour);
        titleWidth = font->textWidth(name);
    }
    // A line strip round the group, open in the top edge where the title stands.
    const float points[12] = {box.minX + margin, box.maxY, box.minX, box.maxY, box.minX, box.minY,
                              box.maxX,          box.minY, box.maxX, box.maxY, box.minX + margin + titleWidth,
                              box.maxY};
    for (int i = 0; i < 12; ++i) outline[i] = points[i];
}

void NamedGroup::draw()
{
    Group::draw();
    glideColour(colour, targetColour);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4fv(colour);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < 6; ++i) glVertex2f(outline[2 * i], outline[2 * i + 1]);
    glEnd();
    glDisable(GL_BLEND);
}

void NamedGroup::mouseEnter()
{
    for (int i = 0; i < 4; ++i) targetColour[i].store(hoverColour[i], std::memory_order_relaxed);
}

void NamedGroup::mouseLeave()
{
    for (int i = 0; i < 4; ++i) targetColour[i].store(normalColour[i], std::memory_order_relaxed);
}

}  // namespace HD
