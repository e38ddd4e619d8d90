// Controls bound to parameters and the panel's buttons: what they publish to
// the window, what they write into the effect, and what they draw.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/TestGLContext.h"
#include "ToolkitRig.h"
#include "gui/Button.h"
#include "gui/Control.h"
#include "gui/Group.h"
#include "gui/Modifiers.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"

using HD::Button;
using HD::Control;
using HD::DoduVoriro;
using HD::Point;

namespace {

void place(Control* control, float x0, float y0, float x1, float y1) { control->bounds = {x0, y0, 0.0f, x1, y1, 0.0f}; }

}  // namespace

TEST(ControlTest, CopiesItsDescriptorAndStepsForWholeNumberUnits)
{
    rig::Rig r;
    auto* cutoff = new Control(rig::kCutoff, &r.window);
    const HD::ParameterDescriptor& d = cutoff->descriptor();
    EXPECT_EQ(d.index, rig::kCutoff);
    EXPECT_STREQ(d.name, "Cutoff");
    EXPECT_EQ(d.unit, kUnitHertz);
    EXPECT_FLOAT_EQ(d.minimum, 50.0f);
    EXPECT_FLOAT_EQ(d.maximum, 12000.0f);
    EXPECT_FLOAT_EQ(d.defaultValue, 1000.0f);
    EXPECT_EQ(d.effect, &r.effect);
    EXPECT_EQ(d.unitName, nullptr);
    EXPECT_EQ(d.flags, 0);
    EXPECT_FLOAT_EQ(cutoff->value(), 0.0f);
    EXPECT_FALSE(cutoff->stepped);
    EXPECT_TRUE(cutoff->bounds.isEmpty());

    EXPECT_TRUE((new Control(rig::kSteps, &r.window))->stepped);
    EXPECT_TRUE((new Control(rig::kSwitch, &r.window))->stepped);
    EXPECT_TRUE((new Control(rig::kBeats, &r.window))->stepped);
    EXPECT_FALSE((new Control(rig::kLevel, &r.window))->stepped);

    // Indexed, boolean, 11 and beats; nothing else.
    for (int unit = 0; unit < 40; ++unit)
        EXPECT_EQ(HD::isSteppedUnit(unit), unit == 1 || unit == 2 || unit == 11 || unit == 23) << unit;
}

TEST(ControlTest, BoundsAndHitTestIncludeTheEdges)
{
    rig::Rig r;
    auto* c = new Control(rig::kLevel, &r.window);
    place(c, 10, 20, 60, 80);
    EXPECT_EQ(c->hitTest({10, 20}), c);
    EXPECT_EQ(c->hitTest({60, 80}), c);
    EXPECT_EQ(c->hitTest({35, 50}), c);
    EXPECT_EQ(c->hitTest({9.99f, 50}), nullptr);
    EXPECT_EQ(c->hitTest({35, 80.01f}), nullptr);

    HD::BoundingBox box{0, 30, -1, 20, 40, 0};
    c->getBounds(box);
    EXPECT_FLOAT_EQ(box.minX, 0);
    EXPECT_FLOAT_EQ(box.minY, 20);
    EXPECT_FLOAT_EQ(box.minZ, -1);
    EXPECT_FLOAT_EQ(box.maxX, 60);
    EXPECT_FLOAT_EQ(box.maxY, 80);
    EXPECT_FLOAT_EQ(box.maxZ, 0);
}

TEST(ControlTest, PressAndHoverPublishTheParameterIndex)
{
    rig::Rig r;
    auto* level = new Control(rig::kLevel, &r.window);
    auto* steps = new Control(rig::kSteps, &r.window);
    EXPECT_EQ(r.window.activeIndex.load(), -1);
    EXPECT_EQ(r.window.hoverIndex.load(), -1);

    level->mouseDown({0, 0}, 0);
    EXPECT_EQ(r.window.activeIndex.load(), rig::kLevel);
    steps->mouseUp({0, 0}, 0);  // not the pressed one
    EXPECT_EQ(r.window.activeIndex.load(), rig::kLevel);
    level->mouseUp({0, 0}, 0);
    EXPECT_EQ(r.window.activeIndex.load(), -1);

    level->mouseEnter();
    EXPECT_EQ(r.window.hoverIndex.load(), rig::kLevel);
    EXPECT_EQ(r.window.tooltipElement.load(), level);
    steps->mouseEnter();
    EXPECT_EQ(r.window.hoverIndex.load(), rig::kSteps);
    EXPECT_EQ(r.window.tooltipElement.load(), steps);
    // Leaving clears the index only if it is still this control's.
    level->mouseLeave();
    EXPECT_EQ(r.window.hoverIndex.load(), rig::kSteps);
    steps->mouseLeave();
    EXPECT_EQ(r.window.hoverIndex.load(), -1);
    // The tooltip keeps pointing at the control last entered.
    EXPECT_EQ(r.window.tooltipElement.load(), steps);
}

TEST(ControlTest, ParameterChangedRereadsTheEffect)
{
    rig::Rig r;
    auto* level = new Control(rig::kLevel, &r.window);
    auto* cutoff = new Control(rig::kCutoff, &r.window);
    r.effect.setValue(rig::kLevel, 0.625f);
    r.effect.setValue(rig::kCutoff, 600.0f);
    // The value passed is ignored: the program holds the truth.
    level->parameterChanged(&r.window.descriptors[rig::kLevel], 0.1f);
    cutoff->parameterChanged(&r.window.descriptors[rig::kCutoff], 0.1f);
    EXPECT_FLOAT_EQ(level->value(), 0.625f);
    // Exponential over 50..12000 Hz: ln(600/50) / ln(240).
    EXPECT_NEAR(cutoff->value(), std::log(12.0) / std::log(240.0), 1e-6);
}

TEST(ControlTest, EditsGoIntoTheCurrentProgramAndComeBackThroughTheQueue)
{
    rig::Rig r;
    auto* level = new Control(rig::kLevel, &r.window);
    auto* twin = new Control(rig::kLevel, &r.window);
    auto* cutoff = new Control(rig::kCutoff, &r.window);

    float n = 0.3f;
    level->setNormalisedValue(n);
    EXPECT_FLOAT_EQ(n, 0.3f) << "a continuous parameter does not snap";
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kLevel), 0.3f);
    ASSERT_EQ(r.effect.editor->notifications.size(), 1u);
    EXPECT_EQ(r.effect.editor->notifications[0].index, rig::kLevel);
    EXPECT_FLOAT_EQ(r.effect.editor->notifications[0].value, 0.3f);
    // Not shown until the window thread flushes, and then on both controls.
    EXPECT_FLOAT_EQ(level->value(), 0.0f);
    r.window.binding.flushPending();
    EXPECT_FLOAT_EQ(level->value(), 0.3f);
    EXPECT_FLOAT_EQ(twin->value(), 0.3f);

    // Half way on 50..12000 Hz exponential: 50 * sqrt(240).
    float half = 0.5f;
    cutoff->setNormalisedValue(half);
    EXPECT_NEAR(r.effect.getValue(rig::kCutoff), 50.0 * std::sqrt(240.0), 1e-2);
    EXPECT_FLOAT_EQ(half, 0.5f);

    // A value in units.
    level->setValue(0.8f);
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kLevel), 0.8f);
    EXPECT_EQ(r.effect.editor->notifications.back().index, rig::kLevel);
    EXPECT_FLOAT_EQ(r.effect.editor->notifications.back().value, 0.8f);
    r.window.binding.flushPending();
    EXPECT_FLOAT_EQ(twin->value(), 0.8f);
    EXPECT_NEAR(cutoff->value(), 0.5f, 1e-6);

    // Only the current program changes.
    r.effect.setProgram(3);
    level->setValue(0.1f);
    EXPECT_FLOAT_EQ(r.effect.program(3)->getValue(rig::kLevel), 0.1f);
    EXPECT_FLOAT_EQ(r.effect.program(0)->getValue(rig::kLevel), 0.8f);
    EXPECT_FLOAT_EQ(r.effect.program(1)->getValue(rig::kLevel), 0.5f);  // the default
}

TEST(ControlTest, SteppedParametersSnapToWholeValues)
{
    rig::Rig r;
    auto* steps = new Control(rig::kSteps, &r.window);
    auto* beats = new Control(rig::kBeats, &r.window);
    auto* onOff = new Control(rig::kSwitch, &r.window);

    // 0.26 on 0..5: floor(1.3 + 0.5) = 1, which sits at 1/5.
    float n = 0.26f;
    steps->setNormalisedValue(n);
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kSteps), 1.0f);
    EXPECT_FLOAT_EQ(n, 0.2f);
    EXPECT_EQ(r.effect.editor->notifications.back().index, rig::kSteps);
    EXPECT_FLOAT_EQ(r.effect.editor->notifications.back().value, 1.0f);
    r.window.binding.flushPending();
    EXPECT_FLOAT_EQ(steps->value(), 0.2f);

    // 0.5 on 1..16: floor(1 + 7.5 + 0.5) = 9, at 8/15.
    n = 0.5f;
    beats->setNormalisedValue(n);
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kBeats), 9.0f);
    EXPECT_FLOAT_EQ(n, 8.0f / 15.0f);

    // A switch flips at the middle.
    n = 0.49f;
    onOff->setNormalisedValue(n);
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kSwitch), 0.0f);
    EXPECT_FLOAT_EQ(n, 0.0f);
    n = 0.5f;
    onOff->setNormalisedValue(n);
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kSwitch), 1.0f);
    EXPECT_FLOAT_EQ(n, 1.0f);
}

TEST(ControlTest, AnEffectWithoutEditorStillTakesTheValue)
{
    rig::Rig r(nullptr, false);
    ASSERT_EQ(r.effect.haldEditor(), nullptr);
    auto* level = new Control(rig::kLevel, &r.window);
    float n = 0.7f;
    level->setNormalisedValue(n);
    EXPECT_FLOAT_EQ(r.effect.getValue(rig::kLevel), 0.7f);
    r.window.binding.flushPending();
    EXPECT_FLOAT_EQ(level->value(), 0.0f) << "nobody queued it";
}

namespace {

struct ActionLog
{
    static void record(Button* button, void* context)
    {
        auto* log = static_cast<ActionLog*>(context);
        log->buttons.push_back(button);
    }
    std::vector<Button*> buttons;
};

}  // namespace

TEST(ButtonTest, ThirtyUnitsHighWithACopiedLabelAndAnActionOnRelease)
{
    rig::Rig r;
    ActionLog log;
    char label[] = "Prefs";
    auto* button = new Button(&r.window, label, &ActionLog::record, &log, 10, 20, 80, -2);
    std::strcpy(label, "Other");
    EXPECT_EQ(button->label(), "Prefs");
    EXPECT_EQ(button->id(), -2);
    EXPECT_FLOAT_EQ(button->bounds.minX, 10);
    EXPECT_FLOAT_EQ(button->bounds.minY, 20);
    EXPECT_FLOAT_EQ(button->bounds.minZ, 0);
    EXPECT_FLOAT_EQ(button->bounds.maxX, 90);
    EXPECT_FLOAT_EQ(button->bounds.maxY, 50);
    EXPECT_FLOAT_EQ(button->bounds.maxZ, 0);
    EXPECT_EQ(button->hitTest({90, 50}), button);
    EXPECT_EQ(button->hitTest({90, 50.5f}), nullptr);
    HD::BoundingBox box;
    button->getBounds(box);
    EXPECT_FLOAT_EQ(box.maxY, 50);

    button->mouseDown({20, 30}, 0);
    EXPECT_TRUE(log.buttons.empty());
    EXPECT_EQ(r.window.activeIndex.load(), -1);
    // Released far away: the action runs all the same.
    button->mouseUp({700, 300}, 0);
    ASSERT_EQ(log.buttons.size(), 1u);
    EXPECT_EQ(log.buttons[0], button);

    auto* silent = new Button(&r.window, nullptr, nullptr, nullptr, 0, 0, 10, -3);
    silent->mouseUp({0, 0}, 0);
    EXPECT_EQ(silent->label(), "");
}

TEST(ButtonTest, HoverPublishesTheIdAndSharedIdsClearEachOther)
{
    rig::Rig r;
    auto* a = new Button(&r.window, "A", nullptr, nullptr, 0, 0, 10, -4);
    auto* b = new Button(&r.window, "B", nullptr, nullptr, 20, 0, 10, -4);
    auto* c = new Button(&r.window, "C", nullptr, nullptr, 40, 0, 10, -5);

    a->mouseEnter();
    EXPECT_EQ(r.window.hoverIndex.load(), -4);
    EXPECT_EQ(r.window.tooltipElement.load(), a);
    c->mouseEnter();
    a->mouseLeave();  // -5 is not a's
    EXPECT_EQ(r.window.hoverIndex.load(), -5);
    b->mouseEnter();
    a->mouseLeave();  // the same id: a clears what b published
    EXPECT_EQ(r.window.hoverIndex.load(), -1);
    EXPECT_EQ(r.window.tooltipElement.load(), b);
}

TEST(ButtonTest, FlatButtonFadesTowardsHoverAndBack)
{
    rig::Rig r;
    auto* flat = new DoduVoriro(&r.window, "About", nullptr, nullptr, 0, 0, 50, -6);
    const float resting[4] = {0.3f, 0.3f, 0.3f, 0.2f};
    const float hover[4] = {0.8f, 0.4f, 0.1f, 0.3f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(flat->colour[i], resting[i]);
        EXPECT_FLOAT_EQ(flat->targetColour[i].load(), resting[i]);
    }
    flat->mouseEnter();
    EXPECT_EQ(r.window.hoverIndex.load(), -6);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(flat->targetColour[i].load(), hover[i]);
    flat->mouseLeave();
    EXPECT_EQ(r.window.hoverIndex.load(), -1);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(flat->targetColour[i].load(), resting[i]);
    const float label[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(DoduVoriro::labelColour[i], label[i]);
}

TEST(ButtonTest, FlatButtonLabelIsCentredInWindowCoordinates)
{
    {
        // Without a font: no label.
        rig::Rig r;
        auto* flat = new DoduVoriro(&r.window, "About", nullptr, nullptr, 0, 0, 50, -2);
        flat->prepareGraphics();
        EXPECT_TRUE(r.window.text->runs().empty());
    }
    auto font = rig::tahoma(14);
    ASSERT_NE(font, nullptr) << "Wine's fonts (fonts-wine) are needed for this test";
    HD::UIFont* f = font.get();
    rig::Rig r(font.release());
    auto* group = new HD::Group(&r.window);
    auto* flat = new DoduVoriro(&r.window, "Prefs", nullptr, nullptr, 100, 10, 60, -3);
    HD::addChild(r.window.root, group);
    HD::addChild(group, flat);
    group->offset[0] = 500;
    group->offset[1] = 200;
    const size_t before = r.window.text->runs().size();
    flat->prepareGraphics();

    ASSERT_EQ(r.window.text->runs().size(), before + 1);
    const HD::StaticText::Run& run = r.window.text->runs().back();
    EXPECT_EQ(run.text, "Prefs");
    EXPECT_EQ(run.colour, DoduVoriro::labelColour);
    // Centre (600 + 30, 210 + 15) in the window.
    EXPECT_FLOAT_EQ(run.x, 630.0f - f->textWidth("Prefs") / 2.0f);
    EXPECT_FLOAT_EQ(run.y, 225.0f - f->lineHeight() / 2.0f - f->descender());
}

TEST(ButtonTest, AModifierChangeDuringAPressRunsTheActionTwice)
{
    rig::Rig r;
    ActionLog log;
    auto* button = new Button(&r.window, "Zero", &ActionLog::record, &log, 100, 100, 60, -2);
    HD::addChild(r.window.root, button);

    ASSERT_TRUE(r.window.beginDrag({120, 110}, 0));
    EXPECT_TRUE(log.buttons.empty());
    // Positions from the platform are pixels from the top-left: y = 315 - 110.
    EXPECT_TRUE(r.window.gesture().event(HD::DragEvent::ModifiersChanged, 125, 205, HD::ModifierShift));
    EXPECT_EQ(log.buttons.size(), 1u) << "the gesture restarts: release, then press again";
    EXPECT_FALSE(r.window.gesture().event(HD::DragEvent::Released, 400, 10, HD::ModifierShift));
    r.window.gesture().end();  // the platform has let the pointer go
    EXPECT_EQ(log.buttons.size(), 2u);
    EXPECT_EQ(r.window.activeIndex.load(), -1);
}

TEST(ButtonDrawingTest, OutlineInGreenAndAFlatButtonBlendedInItsGlidingColour)
{
    TestGLContext gl(120, 100);
    ASSERT_TRUE(gl.ok()) << gl.error();
    rig::Rig r;
    auto* button = new Button(&r.window, "b", nullptr, nullptr, 5.5f, 5.5f, 50.0f, -2);
    auto* flat = new DoduVoriro(&r.window, "f", nullptr, nullptr, 70, 50, 40, -3);

    rig::pixelProjection(gl.width(), gl.height());
    button->draw();
    flat->draw();
    const auto edge = gl.pixel(30, 5);
    EXPECT_EQ(edge[0], 0);
    EXPECT_EQ(edge[1], 255);
    EXPECT_EQ(edge[2], 0);
    EXPECT_TRUE(rig::isBlack(gl.pixel(30, 20)));
    // Resting colour over black: 0.3 x alpha 0.2 = 0.06 of full.
    auto quad = gl.pixel(90, 65);
    EXPECT_NEAR(quad[0], 0.06 * 255, 1.0);
    EXPECT_NEAR(quad[2], 0.06 * 255, 1.0);
    EXPECT_TRUE(rig::isBlack(gl.pixel(65, 65)));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // One frame after the pointer arrives: 0.15 x hover + 0.85 x resting =
    // (0.375, 0.315, 0.27, 0.215), times its alpha over black.
    flat->mouseEnter();
    rig::pixelProjection(gl.width(), gl.height());
    flat->draw();
    quad = gl.pixel(90, 65);
    EXPECT_NEAR(quad[0], 0.375 * 0.215 * 255, 1.0);
    EXPECT_NEAR(quad[1], 0.315 * 0.215 * 255, 1.0);
    EXPECT_NEAR(quad[2], 0.27 * 0.215 * 255, 1.0);
    EXPECT_NEAR(flat->colour[3], 0.215f, 1e-6);
}
