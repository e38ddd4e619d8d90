// A small effect, an editor that queues into a window's binding as the
// product's editor does, and a window without a system window: what the
// toolkit's element, control, binding and text tests stand on.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/HaldAuBase.h"
#include "framework/HaldEditor.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"
#include "support/System.h"

namespace rig {

// Wine's fonts (package fonts-wine); the Windows targets reach them through Z:.
inline const std::string kWineFontFolderParentPath = support::hostPath("/usr/share/wine");
inline const std::string kWineTahomaPath = support::hostPath("/usr/share/wine/fonts/tahoma.ttf");
// A face with kerning pairs (Wine's Tahoma has none), when the machine has it.
inline const std::string kKerningFacePath = support::hostPath("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
inline const char* const kWineFontFolderParent = kWineFontFolderParentPath.c_str();
inline const char* const kWineTahoma = kWineTahomaPath.c_str();
inline const char* const kKerningFace = kKerningFacePath.c_str();

inline bool readable(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

// The panel's face, Tahoma, from Wine's fonts (package fonts-wine): the
// same file on every target, the Windows ones reaching it through Z:.
inline std::unique_ptr<HD::UIFont> tahoma(float nominal)
{
    auto font = std::make_unique<HD::UIFont>(nominal, kWineTahoma);
    return font->loaded() ? std::move(font) : nullptr;
}

enum RigParameter : int
{
    kLevel,   // generic 0..1, linear
    kSteps,   // indexed 0..5
    kCutoff,  // hertz 50..12000, exponential
    kUnused,  // all zero: never gets a control
    kSwitch,  // boolean
    kBeats,   // beats 1..16
    kRigParameterCount
};

inline constexpr ParameterInfo kRigParameters[] = {
    {"Level", kUnitGeneric, 0.0f, 1.0f, 0.5f},     {"Steps", kUnitIndexed, 0.0f, 5.0f, 2.0f},
    {"Cutoff", kUnitHertz, 50.0f, 12000.0f, 1000.0f}, {"Unused", kUnitGeneric, 0.0f, 0.0f, 0.0f},
    {"Switch", kUnitBoolean, 0.0f, 1.0f, 0.0f},    {"Beats", kUnitBeats, 1.0f, 16.0f, 4.0f},
};
static_assert(sizeof kRigParameters / sizeof kRigParameters[0] == kRigParameterCount, "one row per parameter");

// Records every notification and, once a window is attached, queues it as
// the product's editor view does.
class RigEditor : public HaldEditor
{
public:
    explicit RigEditor(AudioEffect* effect) : HaldEditor(effect) {}

    void parameterChanged(int index, float value) override
    {
        notifications.push_back({index, value});
        if (window) window->binding.queueChange(index, value);
    }

    struct Notification
    {
        int index;
        float value;
    };
    std::vector<Notification> notifications;
    HD::UIWindow* window = nullptr;
};

class RigEffect : public HaldAuBase
{
public:
    explicit RigEffect(bool withEditor = true) : HaldAuBase(nullptr, kRigParameters, kRigParameterCount)
    {
        if (withEditor) {
            editor = new RigEditor(this);
            setEditor(editor);  // owned by the effect from here on
        }
    }
    RigEditor* editor = nullptr;
};

class RigOwner : public HD::WindowOwner
{
public:
    explicit RigOwner(HaldAuBase* effect) : effect_(effect) {}
    void* parentWindow() override { return nullptr; }
    HaldAuBase* effectObject() override { return effect_; }

private:
    HaldAuBase* effect_;
};

// The editor's size, 770 x 315.
inline HD::WindowRect editorRect()
{
    HD::WindowRect rect;
    rect.bottom = 315;
    rect.right = 770;
    return rect;
}

// An effect and a window on it with no system window; the editor queues into
// the window's binding.
struct Rig
{
    explicit Rig(HD::UIFont* font = nullptr, bool withEditor = true)
        : effect(withEditor), owner(&effect), window(&owner, editorRect(), font, nullptr)
    {
        if (effect.editor) effect.editor->window = &window;
    }
    ~Rig()
    {
        if (effect.editor) effect.editor->window = nullptr;
    }

    RigEffect effect;
    RigOwner owner;
    HD::UIWindow window;
};

}  // namespace rig

#include <array>

#include "gui/GL.h"

namespace rig {

// Window units onto the target's pixels, as the overlay pass sets them up:
// (x, y) from the bottom-left corner; pixel (i, j) covers [i, i+1) x [j, j+1).
inline void pixelProjection(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / static_cast<float>(width), 2.0f / static_cast<float>(height), 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

inline bool isBlack(const std::array<unsigned char, 4>& p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

}  // namespace rig
