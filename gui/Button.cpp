#include "gui/Button.h"

#include "gui/GL.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"

namespace HD {

namespace {

const float kRestingColour[4] = {0.3f, 0.3f, 0.3f, 0.2f};
const float kHoverColour[4] = {0.8f, 0.4f, 0.1f, 0.3f};

void setTarget(std::atomic<float> target[4], const float colour[4])
{
    for (int i = 0; i < 4; ++i) target[i].store(colour[i], std::memory_order_relaxed);
}

}  // namespace

Button::Button(UIWindow* window, const char* label, Action action, void* context, float x, float y, float width,
               int id)
    : ControlBase(window), label_(label ? label : ""), action_(action), context_(context), id_(id)
{
    bounds.minX = x;
    bounds.minY = y;
    bounds.minZ = 0.0f;
    bounds.maxX = x + width;
    bounds.maxY = y + 30.0f;
    bounds.maxZ = 0.0f;
}

void Button::draw()
{
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(bounds.minX, bounds.minY);
    glVertex2f(bounds.maxX, bounds.minY);
    glVertex2f(bounds.maxX, bounds.maxY);
    glVertex2f(bounds.minX, bounds.maxY);
    glEnd();
}

void Button::getBounds(BoundingBox& box) { box.enlarge(bounds); }

UIElement* Button::hitTest(Point point) { return bounds.contains(point) ? this : nullptr; }

void Button::mouseUp(Point, int)
{
    if (action_) action_(this, context_);
}

void Button::mouseEnter()
{
    window()->hoverIndex.store(id_, std::memory_order_relaxed);
    window()->tooltipElement.store(this, std::memory_order_relaxed);
}

void Button::mouseLeave()
{
    int mine = id_;
    window()->hoverIndex.compare_exchange_strong(mine, -1, std::memory_order_relaxed);
}

float DoduVoriro::labelColour[4] = {0.8f, 0.8f, 0.8f, 1.0f};

DoduVoriro::DoduVoriro(UIWindow* window, const char* label, Action action, void* context, float x, float y,
                       float width, int id)
    : Button(window, label, action, context, x, y, width, id)
{
}

void DoduVoriro::draw()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glideColour(colour, targetColour);
    glColor4fv(colour);
    glBegin(GL_QUADS);
    glVertex2f(bounds.minX, bounds.minY);
    glVertex2f(bounds.maxX, bounds.minY);
    glVertex2f(bounds.maxX, bounds.maxY);
    glVertex2f(bounds.minX, bounds.maxY);
    glEnd();
    glDisable(GL_BLEND);
}

void DoduVoriro::mouseEnter()
{
    setTarget(targetColour, kHoverColour);
    Button::mouseEnter();
}

void DoduVoriro::mouseLeave()
{
    setTarget(targetColour, kRestingColour);
    Button::mouseLeave();
}

void DoduVoriro::prepareGraphics()
{
    UIFont* font = window()->font;
    if (!font || !window()->text) return;
    const BoundingBox box = windowBounds(this);
    window()->text->addText(label().c_str(), box.centreX() - font->textWidth(label().c_str()) / 2.0f,
                            box.centreY() - font->lineHeight() / 2.0f - font->descender(), labelColour);
}

}  // namespace HD
