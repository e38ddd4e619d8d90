#include "editor/HaldParfelleView.h"

#include <thread>

#include "editor/AboutDialog.h"
#include "editor/AboutPanel.h"
#include "editor/DivuRevu.h"
#include "editor/Kitt.h"
#include "editor/PhaseDisc.h"
#include "editor/RenderTask.h"
#include "editor/WaveformDisplay.h"
#include "editor/ZedaViruZovozeze.h"
#include "effect/HaldParfelle.h"
#include "framework/CFString.h"
#include "framework/Preferences.h"
#include "gui/Button.h"
#include "gui/Group.h"
#include "gui/UIFont.h"

const char* const HaldParfelleView::kDescriptions[2] = {"About Parfelle and its preferences", "Re-sync to zero"};

namespace {

std::atomic<bool> eyeCandy{true};
std::atomic<bool> constantRedraw{true};

constexpr float kGroupGap = 15.0f;

// Width and height of a group's box (its children widened by its margin).
HD::BoundingBox groupBox(HD::Group* group)
{
    HD::BoundingBox box;
    group->getBounds(box);
    return box;
}
float widthOf(HD::Group* group)
{
    const HD::BoundingBox box = groupBox(group);
    return box.maxX - box.minX;
}
float heightOf(HD::Group* group)
{
    const HD::BoundingBox box = groupBox(group);
    return box.maxY - box.minY;
}

void setOffset(HD::Group* group, float x, float y)
{
    group->offset[0] = x;
    group->offset[1] = y;
    group->offset[2] = 0.0f;
}

// The "Zero" buttons: the trigger is set in the program; the audio thread
// performs the re-sync on its next block and writes 0 back.
void trigger(HaldParfelleView* view, int index)
{
    view->parfelle()->setValue(index, 1.0f);
    view->parameterChanged(index, 1.0f);
}
void zeroDelay(HD::Button*, void* context) { trigger(static_cast<HaldParfelleView*>(context), kResync); }
void zeroLfo(HD::Button*, void* context) { trigger(static_cast<HaldParfelleView*>(context), kLfoResync); }
void openPreferences(HD::Button*, void* context) { showAboutDialog(static_cast<HaldParfelleView*>(context)); }

}  // namespace

bool eyeCandyEnabled() { return eyeCandy.load(); }
bool constantRedrawEnabled() { return constantRedraw.load(); }

HaldParfelleView::HaldParfelleView(HaldParfelle* effect) : HaldEditor(effect)
{
    rect_.top = 0;
    rect_.left = 0;
    rect_.bottom = kDefaultHeight;
    rect_.right = kDefaultWidth;
}

HaldParfelleView::~HaldParfelleView() { destroyWindow(); }

HaldParfelle* HaldParfelleView::parfelle() const { return static_cast<HaldParfelle*>(effect); }

HaldAuBase* HaldParfelleView::effectObject() { return parfelle(); }

bool HaldParfelleView::getRect(ERect** rect)
{
    if (!rect) return false;
    *rect = &rect_;
    return true;
}

bool HaldParfelleView::open(void* parentWindow)
{
    destroyWindow();  // a host that opens twice gets one panel
    HaldEditor::open(parentWindow);
    buildPanel(0.0f, 0.0f);
    const int32_t scale = readPreference(100, constantString(kGuiScalePreference));
    HD::UIWindow* window = this->window();
    if (window && scale != 100 && scale > 0) window->scale = static_cast<float>(scale) * 0.01f;
    // Hosts that read the answer offer the editor only when it is 1: say
    // whether there is a window to show.
    return window && window->childWindow();
}

void HaldParfelleView::close()
{
    destroyWindow();
    HaldEditor::close();
}

void HaldParfelleView::destroyWindow()
{
    HD::UIWindow* window = window_.exchange(nullptr, std::memory_order_acq_rel);
    if (!window) return;
    // A parameter change on another thread may still be queueing into it.
    while (notifying_.load(std::memory_order_acquire) != 0) std::this_thread::yield();
    waveformDisplay_ = nullptr;
    delete window;  // stops the render thread first
}

void HaldParfelleView::idle()
{
    if (HD::UIWindow* window = this->window()) {
        window->processEvents();
        window->binding.flushPending();
    }
}

void HaldParfelleView::parameterChanged(int index, float value)
{
    notifying_.fetch_add(1, std::memory_order_acq_rel);
    HD::UIWindow* window = window_.load(std::memory_order_acquire);
    if (window) window->binding.queueChange(index, value);  // it ignores indices outside the effect's
    notifying_.fetch_sub(1, std::memory_order_acq_rel);
}

int HaldParfelleView::buildPanel(float x, float y)
{
    using namespace HD;

    setFloatingTooltipEnabled(readPreference(0, constantString(kFloatingTooltipPreference)) != 0);
    eyeCandy = readPreference(1, constantString(kEyeCandyPreference)) != 0;
    constantRedraw = readPreference(1, constantString(kConstantRedrawPreference)) != 0;

    const float hover[4] = {0.5f, 0.6f, 0.7f, 0.6f};
    const float normal[4] = {0.4f, 0.4f, 0.6f, 0.5f};
    for (int i = 0; i < 4; ++i) {
        NamedGroup::hoverColour[i] = hover[i];
        NamedGroup::normalColour[i] = normal[i];
    }

    WindowRect rect;
    rect.top = static_cast<int16_t>(y);
    rect.left = static_cast<int16_t>(x);
    rect.bottom = static_cast<int16_t>(rect.top + kDefaultHeight);
    rect.right = static_cast<int16_t>(rect.left + kDefaultWidth);

    UIWindow* window = new UIWindow(this, rect, new UIFont(14.0f), new UIFont(11.0f));
    window->descriptionTable.store(kDescriptions);

    auto* renderer = new ZedaViruZovozeze(window);
    window->effects.push_back(renderer);
    // Drawn over the knobs, and the root's first child so that it takes the
    // pointer while it is open.
    about::attachAboutPanel(window);

    auto group = [&](const char* title, bool appendNow = true) {
        auto* g = new NamedGroup(window, title);
        if (appendNow) addChild(window->root, g);
        return g;
    };
    // Each knob is captioned from the parameter table.
    auto knob = [&](Group* parent, int index, float at) {
        addChild(parent, new DivuRevu(index, window, renderer, kParfelleKnobCaptions[index], at));
    };

    NamedGroup* delay = group("Delay");
    knob(delay, kDelayTime, 0);
    knob(delay, kFeedback, 44);

    NamedGroup* mix = group("Mix");
    knob(mix, kDryLevel, 0);
    knob(mix, kEffectLevel, 44);

    NamedGroup* filter = group("Filter");
    knob(filter, kFilterCutoff, 0);
    knob(filter, kFilterQ, 44);
    knob(filter, kFilterType, 88);
    knob(filter, kSaturationAmount, 132);
    knob(filter, kSaturationShape, 176);

    // The two sync groups differ only in their parameters, phase and trigger.
    static_assert(kTriplet == kHostTempo + 3 && kLfoTriplet == kLfoHostTempo + 3, "sync parameters in a row");
    auto syncGroup = [&](const char* title, int hostTempo, const float* phase, Button::Action zero) {
        NamedGroup* g = group(title);
        for (int i = 0; i < 4; ++i) knob(g, hostTempo + i, 44.0f * static_cast<float>(i));
        addChild(g, new PhaseDisc(window, phase));
        addChild(g, new DoduVoriro(window, "Zero", zero, this, 220, 0, 50, UIWindow::descriptionHover(kZeroDescription)));
        return g;
    };
    NamedGroup* sync = syncGroup("Sync", kHostTempo, &window->displayState.delayPhase, zeroDelay);
    NamedGroup* lfoSync = syncGroup("LFO Sync", kLfoHostTempo, &window->displayState.lfoPhase, zeroLfo);

    NamedGroup* lfo = group("LFO");
    knob(lfo, kLfoSpeed, 0);
    knob(lfo, kLfoAmount, 44);

    // The layout runs left to right along the top row; the second row hangs
    // from the right under "Sync".
    float X = 20.0f + widthOf(delay) + kGroupGap;
    setOffset(delay, 20.0f, 20.0f);
    setOffset(mix, X, 20.0f);
    X += widthOf(mix) + kGroupGap;
    setOffset(filter, X, 20.0f);
    X += widthOf(filter) + kGroupGap;
    setOffset(sync, X, 20.0f);
    const float Y1 = heightOf(sync) + 35.0f;
    setOffset(lfoSync, X, Y1);
    setOffset(lfo, X - (widthOf(lfo) + kGroupGap), Y1);
    const float Y2 = Y1 + heightOf(lfo) + kGroupGap;

    addChild(window->root,
             new DoduVoriro(window, "Prefs", openPreferences, this, 20, Y1, 80, UIWindow::descriptionHover(kPrefsDescription)));

    NamedGroup* product = group("Parfelle", false);
    auto* waveform = new WaveformDisplay(window, Y2, &window->displayState);
    addChild(product, waveform);
    addChild(product, new Kitt(window, Y2, &window->displayState));
    addChild(window->root, product);
    waveformDisplay_ = waveform;

    window_.store(window, std::memory_order_release);
    CreateRenderTask(window);
    window->binding.refreshAll(parfelle());

    WaveformColumnsAddress columns = nullptr;
    if (parfelle()->getProperty(kPropertyWaveformColumns, 0, 0, &columns) == kResultOk)
        waveformDisplay_->setColumns(columns);
    return 0;
}
