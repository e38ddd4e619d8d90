// The editor as an LV2 X11 UI: the effect's own editor opened inside the
// host's window, reaching the running effect through instance-access.
#include "lv2/Lv2Ui.h"

#include <cstring>

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include "editor/HaldParfelleView.h"
#include "effect/HaldParfelle.h"
#include "lv2/Lv2Effect.h"
#include "platform/ChildWindow.h"

namespace {

class Lv2Ui final : public Lv2Effect::UiLink
{
public:
    Lv2Ui(Lv2Effect* instance, HaldParfelleView* editor, LV2UI_Write_Function write, LV2UI_Controller controller,
          const LV2UI_Touch* touch)
        : instance_(instance), editor_(editor), write_(write), controller_(controller), touch_(touch)
    {
    }

    void automate(int parameter, float units) override
    {
        if (write_) write_(controller_, static_cast<uint32_t>(parameter), sizeof units, 0, &units);
    }

    void touch(int parameter, bool grabbed) override
    {
        if (touch_ && touch_->touch) touch_->touch(touch_->handle, static_cast<uint32_t>(parameter), grabbed);
    }

    Lv2Effect* instance_;
    HaldParfelleView* editor_;
    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Touch* touch_;
};

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* f = features; f && *f; ++f)
        if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0) return (*f)->data;
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, lv2port::kPluginUri) != 0 || !widget) return nullptr;
    // Without the running instance or a window to live in there is no editor;
    // the host then shows its own controls.
    auto* instance = static_cast<Lv2Effect*>(const_cast<void*>(feature(features, LV2_INSTANCE_ACCESS_URI)));
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!instance || !parent) return nullptr;

    auto* editor = static_cast<HaldParfelleView*>(instance->effect()->haldEditor());
    if (!editor || editor->window()) return nullptr;  // one editor per instance
    if (!editor->open(parent)) {
        editor->close();
        return nullptr;
    }
    HD::UIWindow* window = editor->window();
    if (!window || !window->childWindow()) {
        editor->close();
        return nullptr;
    }
    *widget = window->childWindow()->handle();

    const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
    if (resize && resize->ui_resize)
        resize->ui_resize(resize->handle, HaldParfelleView::kDefaultWidth, HaldParfelleView::kDefaultHeight);

    auto* touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    auto* ui = new Lv2Ui(instance, editor, write, controller, touch);
    instance->setUiLink(ui);
    return ui;
}

void cleanup(LV2UI_Handle handle)
{
    auto* ui = static_cast<Lv2Ui*>(handle);
    ui->instance_->setUiLink(nullptr);
    ui->editor_->close();
    delete ui;
}

// Host changes of a port move its knob: the value goes to the effect as the
// port's value would at the next run, so the knob turns even while the host
// is not running the plug-in. One-shots act only from the audio side.
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (format != 0 || size != sizeof(float) || !buffer || port >= static_cast<uint32_t>(kParfelleParameterCount))
        return;
    const int parameter = static_cast<int>(port);
    if (isOneShotParameter(parameter)) return;
    float units;
    std::memcpy(&units, buffer, sizeof units);
    float normalised;
    auto* ui = static_cast<Lv2Ui*>(handle);
    if (lv2port::normalisedFromPort(parameter, units, normalised))
        ui->instance_->effect()->setParameter(parameter, normalised);
}

int idle(LV2UI_Handle handle)
{
    static_cast<Lv2Ui*>(handle)->editor_->idle();
    return 0;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    return nullptr;
}

const LV2UI_Descriptor descriptor = {lv2port::kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

const LV2UI_Descriptor* parfelleUiDescriptor() { return &descriptor; }
