#include "gui/UIWindow.h"

#include <algorithm>
#include <cmath>

#include "framework/HaldAuBase.h"
#include "gui/Control.h"
#include "gui/Effect.h"
#include "parfelle/Version.h"
#include "gui/Group.h"
#include "gui/StaticText.h"
#include "gui/UIElement.h"
#include "gui/UIFont.h"
#include "gui/Modifiers.h"
#include "gui/UITexture.h"
#include "platform/ChildWindow.h"

namespace HD {

namespace {

// Window thread only; it is also the window class's reference count.
std::atomic<int> liveWindowCount{0};

const float kCaptionColour[4] = {0.5f, 0.5f, 0.5f, 1.0f};

void deliverToControl(void* userData, Control* control, int index, float value)
{
    auto* window = static_cast<UIWindow*>(userData);
    control->parameterChanged(&window->descriptors[index], value);
}

}  // namespace

const char* versionCaption() { return "haldrane : parfelle " PARFELLE_VERSION_TEXT; }

int UIWindow::liveWindows() { return liveWindowCount.load(); }

// The system window's input, handed to the toolkit.
class UIWindow::Input : public platform::WindowInput
{
public:
    explicit Input(UIWindow* window) : window_(window) {}

    void pointerMoved(int x, int y) override { window_->updateHover(window_->toWindowUnits(x, y)); }
    bool pointerPressed(int x, int y, int modifiers) override
    {
        return window_->beginDrag(window_->toWindowUnits(x, y), modifiers);
    }
    bool dragEvent(int kind, int x, int y, int modifiers) override
    {
        return window_->gesture_.event(static_cast<DragEvent>(kind), x, y, modifiers);
    }
    void dragEnded() override { window_->gesture_.end(); }

private:
    UIWindow* window_;
};

UIWindow::UIWindow(WindowOwner* owner, const WindowRect& rectangle, UIFont* font, UIFont* smallFont)
    : binding(deliverToControl, this, owner && owner->effectObject() ? owner->effectObject()->parameterCount() : 0),
      owner_(owner), effect_(owner ? owner->effectObject() : nullptr),
      rectangle_(rectangle), input_(new Input(this))
{
    this->font = font && font->loaded() ? font : nullptr;
    this->smallFont = smallFont && smallFont->loaded() ? smallFont : nullptr;
    // Fonts that hold nothing are still ours to delete.
    if (font && !this->font) delete font;
    if (smallFont && !this->smallFont) delete smallFont;

    viewWidth = rectangle.right - rectangle.left;
    viewHeight = rectangle.bottom - rectangle.top;
    const float w = static_cast<float>(viewWidth);
    const float h = static_cast<float>(viewHeight);
    aspect = h != 0.0f ? w / h : 1.0f;
    pixelScaleX = w != 0.0f ? 2.0f / w : 0.0f;
    pixelScaleY = h != 0.0f ? 2.0f / h : 0.0f;
    cameraDistance = static_cast<float>(1.0 / (std::tan(0.5672320068981571) * 2.0 / h));
    cameraX = w / 2.0f;
    cameraY = h / 2.0f;

    if (effect_) {
        descriptors.resize(static_cast<size_t>(binding.parameterCount()));
        for (int i = 0; i < parameterCount(); ++i) describeParameter(descriptors[static_cast<size_t>(i)], effect_, i);
    }

    if (liveWindowCount.fetch_add(1) + 1 == 1) platform::registerWindowClass();
    if (void* parent = owner ? owner->parentWindow() : nullptr)
        child_ = platform::ChildWindow::create(parent, rectangle.left, rectangle.top, viewWidth, viewHeight,
                                               input_.get());

    root = new Group(this);
    text = new StaticText(this);
    effects.push_back(text);
    if (this->font)
        text->addText(versionCaption(), 60.0f, 290.0f - this->font->descender(), kCaptionColour);
}

UIWindow::~UIWindow()
{
    // First of all the render thread stops (what DestroyRenderTask does):
    // it reads everything freed below.
    renderState.reset();

    // Then the system window: from here on no input reaches this object,
    // even if the host keeps its own window. It must be gone before the
    // class can be unregistered.
    child_.reset();
    if (liveWindowCount.fetch_sub(1) - 1 == 0) platform::unregisterWindowClass();
    for (UIElement* element : elements) delete element;
    elements.clear();
    for (UITexture* texture : textures) delete texture;
    textures.clear();
    for (Effect* effect : effects) delete effect;
    effects.clear();
    delete font;
    delete smallFont;
}

Point UIWindow::toWindowUnits(int x, int y) const
{
    return Point{static_cast<float>(x), static_cast<float>(rectangle_.bottom) - static_cast<float>(y)};
}

void UIWindow::updateHover(Point point)
{
    UIElement* found = root ? root->hitTest(point) : nullptr;
    UIElement* previous = hoverElement.load(std::memory_order_relaxed);
    if (found != previous) {
        if (previous) previous->mouseLeave();
        if (found) found->mouseEnter();
    }
    hoverElement.store(found, std::memory_order_relaxed);
}

bool UIWindow::beginDrag(Point point, int modifiers) { return gesture_.press(point, modifiers); }

void UIWindow::processEvents()
{
    if (child_) child_->processEvents();
}

}  // namespace HD
