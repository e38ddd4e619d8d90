#include "editor/AboutPanel.h"

#include "editor/AboutDialog.h"
#include "editor/RenderTask.h"
#include "gui/GL.h"
#include "gui/Group.h"
#include "gui/UIElement.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"
#include "platform/AboutDialogBox.h"
#include "platform/SystemServices.h"

namespace about {

namespace {

enum class Kind
{
    Text,
    Button,
    DefaultButton,
    Frame,
    CheckBox,
};

// The dialog template's controls in dialog units (x, y from the top-left of
// the client area, then width and height), as resources/Parfelle.rc lists them.
struct Item
{
    int id;
    Kind kind;
    float x, y, width, height;
};

constexpr Item kItems[] = {
    {platform::kAboutMaker, Kind::Text, 8, 10, 70, 10},
    {platform::kAboutWebButton, Kind::Button, 70, 8, 120, 12},
    {platform::kAboutProduct, Kind::Text, 8, 22, 70, 10},
    {platform::kAboutVersion, Kind::Text, 8, 34, 70, 10},
    {platform::kAboutPreferencesFrame, Kind::Frame, 8, 110, 184, 48},
    {platform::kAboutTooltipCheck, Kind::CheckBox, 12, 122, 176, 10},
    {platform::kAboutOk, Kind::DefaultButton, 80, 162, 40, 12},
};

// Pixels per dialog unit: wide enough for the web button's caption in the
// status font, low enough for the panel to fit under the status band.
constexpr float kUnitX = 1.75f;
constexpr float kUnitY = 1.4f;
constexpr float kClientWidth = 200 * kUnitX;
constexpr float kClientHeight = 178 * kUnitY;
constexpr float kTitleHeight = 20.0f;
constexpr float kEditorWidth = 770.0f;
constexpr float kLeft = (kEditorWidth - kClientWidth) / 2.0f;
constexpr float kBottom = 12.0f;
constexpr float kClientTop = kBottom + kClientHeight;
constexpr float kCheckSide = 12.0f;

const float kShade[4] = {0.0f, 0.0f, 0.0f, 0.5f};
const float kBody[3] = {0.22f, 0.22f, 0.26f};
const float kTitleBar[3] = {0.4f, 0.4f, 0.6f};
const float kButtonFill[3] = {0.32f, 0.32f, 0.38f};
const float kPressedFill[3] = {0.5f, 0.5f, 0.6f};
const float kLine[3] = {0.7f, 0.7f, 0.7f};
const float kTextColour[3] = {0.9f, 0.9f, 0.9f};

const char* textOf(int id)
{
    switch (id) {
    case platform::kAboutMaker: return kMaker;
    case platform::kAboutWebButton: return kWebButton;
    case platform::kAboutProduct: return kProduct;
    case platform::kAboutVersion: return versionText();
    case platform::kAboutPreferencesFrame: return "Preferences";
    case platform::kAboutTooltipCheck: return "Floating tooltip";
    case platform::kAboutOk: return "OK";
    default: return "";
    }
}

HD::BoundingBox boxOf(const Item& item)
{
    HD::BoundingBox box;
    box.minX = kLeft + item.x * kUnitX;
    box.maxX = kLeft + (item.x + item.width) * kUnitX;
    box.maxY = kClientTop - item.y * kUnitY;
    box.minY = kClientTop - (item.y + item.height) * kUnitY;
    box.minZ = box.maxZ = 0.0f;
    return box;
}

void fill(const HD::BoundingBox& box)
{
    glBegin(GL_QUADS);
    glVertex2f(box.minX, box.minY);
    glVertex2f(box.maxX, box.minY);
    glVertex2f(box.maxX, box.maxY);
    glVertex2f(box.minX, box.maxY);
    glEnd();
}

void outline(const HD::BoundingBox& box)
{
    glBegin(GL_LINE_LOOP);
    glVertex2f(box.minX + 0.5f, box.minY + 0.5f);
    glVertex2f(box.maxX - 0.5f, box.minY + 0.5f);
    glVertex2f(box.maxX - 0.5f, box.maxY - 0.5f);
    glVertex2f(box.minX + 0.5f, box.maxY - 0.5f);
    glEnd();
}

HD::BoundingBox grown(HD::BoundingBox box, float by)
{
    box.minX -= by;
    box.minY -= by;
    box.maxX += by;
    box.maxY += by;
    return box;
}

// The baseline that centres capitals vertically on y: they stand about 70 %
// of the ascent (line height above the descender) tall.
float centredBaseline(HD::UIFont* font, float y)
{
    return y - 0.35f * (HD::lineHeight(font) + HD::descender(font));
}

void drawText(HD::UIFont* font, const char* text, float x, float baseline)
{
    glColor3fv(kTextColour);
    HD::drawString(font, text, x, baseline);
}

void drawItem(const Item& item, HD::UIFont* font, int pressed)
{
    const HD::BoundingBox box = boxOf(item);
    const char* text = textOf(item.id);
    switch (item.kind) {
    case Kind::Text:
        drawText(font, text, box.minX, centredBaseline(font, box.centreY()));
        break;
    case Kind::Button:
    case Kind::DefaultButton:
        glColor3fv(pressed == item.id ? kPressedFill : kButtonFill);
        fill(box);
        glColor3fv(kLine);
        outline(box);
        // The default button's second frame, as the system draws it.
        if (item.kind == Kind::DefaultButton) outline(grown(box, 2.0f));
        drawText(font, text, box.centreX() - HD::textWidth(font, text) / 2.0f, centredBaseline(font, box.centreY()));
        break;
    case Kind::Frame: {
        // Open in the top edge where the title stands.
        const float titleLeft = box.minX + 6.0f;
        const float titleRight = titleLeft + HD::textWidth(font, text) + 4.0f;
        const float top = box.maxY - 0.5f;
        glColor3fv(kLine);
        glBegin(GL_LINE_STRIP);
        glVertex2f(titleLeft, top);
        glVertex2f(box.minX + 0.5f, top);
        glVertex2f(box.minX + 0.5f, box.minY + 0.5f);
        glVertex2f(box.maxX - 0.5f, box.minY + 0.5f);
        glVertex2f(box.maxX - 0.5f, top);
        glVertex2f(titleRight, top);
        glEnd();
        drawText(font, text, titleLeft + 2.0f, centredBaseline(font, box.maxY));
        break;
    }
    case Kind::CheckBox: {
        HD::BoundingBox square;
        square.minX = box.minX;
        square.maxX = box.minX + kCheckSide;
        square.minY = box.centreY() - kCheckSide / 2.0f;
        square.maxY = box.centreY() + kCheckSide / 2.0f;
        glColor3fv(pressed == item.id ? kPressedFill : kButtonFill);
        fill(square);
        glColor3fv(kLine);
        outline(square);
        if (HD::floatingTooltipEnabled()) {
            glColor3fv(kTextColour);
            glLineWidth(2.0f);
            glBegin(GL_LINE_STRIP);
            glVertex2f(square.minX + 2.5f, square.centreY());
            glVertex2f(square.minX + 5.0f, square.minY + 2.5f);
            glVertex2f(square.maxX - 2.0f, square.maxY - 2.0f);
            glEnd();
            glLineWidth(1.0f);
        }
        drawText(font, text, square.maxX + 6.0f, centredBaseline(font, box.centreY()));
        break;
    }
    }
}

}  // namespace

// Stands for the panel in the element tree: while the panel is open it is
// the element under every point, so the gesture and the hover reach nothing
// behind it.
class AboutPanel::Shield final : public HD::UIElement
{
public:
    Shield(HD::UIWindow* window, AboutPanel* panel) : HD::UIElement(window), panel_(panel) {}

    HD::UIElement* hitTest(HD::Point) override { return panel_->isOpen() ? this : nullptr; }
    // Its extent is the panel's, for the light that follows the pointer.
    void getBounds(HD::BoundingBox& box) override
    {
        if (panel_->isOpen()) box.enlarge(AboutPanel::panelBox());
    }
    void mouseDown(HD::Point point, int) override { panel_->pressed_.store(controlAt(point)); }
    // A control acts when the press and the release are both on it.
    void mouseUp(HD::Point point, int) override { panel_->release(panel_->pressed_.exchange(-1), point); }

private:
    AboutPanel* panel_;
};

AboutPanel::AboutPanel(HD::UIWindow* window)
    : HD::Effect(window), openWebPage(platform::openWebPage), element_(new Shield(window, this))
{
    if (window->root) HD::addChild(window->root, element_);
}

void AboutPanel::open()
{
    pressed_.store(-1);
    open_.store(true);
    // Whatever was under the pointer is under the panel now.
    HD::UIWindow* window = this->window();
    if (HD::UIElement* previous = window->hoverElement.exchange(element_); previous && previous != element_)
        previous->mouseLeave();
}

void AboutPanel::close()
{
    open_.store(false);
    pressed_.store(-1);
    // The next pointer movement finds what lies under it again.
    HD::UIElement* mine = element_;
    window()->hoverElement.compare_exchange_strong(mine, nullptr);
}

void AboutPanel::release(int pressedId, HD::Point point)
{
    if (!isOpen() || pressedId <= 0 || controlAt(point) != pressedId) return;
    switch (pressedId) {
    case platform::kAboutWebButton:
        if (openWebPage) openWebPage(kWebAddress);
        break;
    case platform::kAboutTooltipCheck:
        toggleFloatingTooltip();
        break;
    case platform::kAboutOk:
        close();
        break;
    default:
        break;
    }
}

HD::BoundingBox AboutPanel::panelBox()
{
    HD::BoundingBox box;
    box.minX = kLeft;
    box.maxX = kLeft + kClientWidth;
    box.minY = kBottom;
    box.maxY = kClientTop + kTitleHeight;
    box.minZ = box.maxZ = 0.0f;
    return box;
}

HD::BoundingBox AboutPanel::controlBox(int id)
{
    for (const Item& item : kItems)
        if (item.id == id) return boxOf(item);
    return HD::BoundingBox::empty();
}

int AboutPanel::controlAt(HD::Point point)
{
    if (!panelBox().contains(point)) return -1;
    // The frame is only a picture: what lies inside it is the check box or
    // the panel.
    for (const Item& item : kItems)
        if (item.kind != Kind::Frame && boxOf(item).contains(point)) return item.id;
    return 0;
}

void AboutPanel::draw()
{
    if (!isOpen()) return;
    HD::UIWindow& window = *this->window();
    HD::UIFont* font = window.font;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);

    // The editor behind, dimmed: it keeps moving but is out of reach.
    HD::BoundingBox all;
    all.minX = 0.0f;
    all.minY = 0.0f;
    all.maxX = static_cast<float>(window.viewWidth);
    all.maxY = static_cast<float>(window.viewHeight);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4fv(kShade);
    fill(all);
    glDisable(GL_BLEND);

    const HD::BoundingBox panel = panelBox();
    glColor3fv(kBody);
    fill(panel);
    HD::BoundingBox title = panel;
    title.minY = kClientTop;
    glColor3fv(kTitleBar);
    fill(title);
    glColor3fv(kLine);
    outline(panel);
    drawText(font, "About", title.minX + 6.0f, centredBaseline(font, title.centreY()));

    const int pressed = pressed_.load();
    for (const Item& item : kItems) drawItem(item, font, pressed);
}

AboutPanel* attachAboutPanel(HD::UIWindow* window)
{
    if (!window) return nullptr;
    auto* panel = new AboutPanel(window);
    window->effects.push_back(panel);
    return panel;
}

AboutPanel* aboutPanelOf(const HD::UIWindow* window)
{
    if (!window) return nullptr;
    for (HD::Effect* effect : window->effects)
        if (auto* panel = dynamic_cast<AboutPanel*>(effect)) return panel;
    return nullptr;
}

}  // namespace about
