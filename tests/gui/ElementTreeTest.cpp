// The element tree: boxes, groups and their offsets, hit testing, the named
// group's frame and title, and what the groups draw.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/TestGLContext.h"
#include "ToolkitRig.h"
#include "gui/Button.h"
#include "gui/Group.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"
#include "gui/UIWindow.h"

using HD::BoundingBox;
using HD::Group;
using HD::NamedGroup;
using HD::Point;
using HD::UIElement;

namespace {

// A leaf with a fixed extent that answers hit tests inside it and can tell
// when it has been deleted.
class Probe : public UIElement
{
public:
    Probe(HD::UIWindow* window, float x0, float y0, float x1, float y1, bool* deleted = nullptr)
        : UIElement(window), box_{x0, y0, 0.0f, x1, y1, 2.0f}, deleted_(deleted)
    {
    }
    ~Probe() override
    {
        if (deleted_) *deleted_ = true;
    }
    void getBounds(BoundingBox& box) override { box.enlarge(box_); }
    UIElement* hitTest(Point point) override { return box_.contains(point) ? this : nullptr; }

private:
    BoundingBox box_;
    bool* deleted_;
};

BoundingBox makeBox(float x0, float y0, float z0, float x1, float y1, float z1) { return {x0, y0, z0, x1, y1, z1}; }

void expectBox(const BoundingBox& box, float x0, float y0, float z0, float x1, float y1, float z1)
{
    EXPECT_FLOAT_EQ(box.minX, x0);
    EXPECT_FLOAT_EQ(box.minY, y0);
    EXPECT_FLOAT_EQ(box.minZ, z0);
    EXPECT_FLOAT_EQ(box.maxX, x1);
    EXPECT_FLOAT_EQ(box.maxY, y1);
    EXPECT_FLOAT_EQ(box.maxZ, z1);
}

}  // namespace

TEST(BoundingBoxTest, EmptyEnlargeTranslateContains)
{
    const BoundingBox empty;
    expectBox(empty, 1e10f, 1e10f, 1e10f, -1e10f, -1e10f, -1e10f);
    EXPECT_TRUE(empty.isEmpty());

    // Enlarging an empty box by a box gives that box.
    BoundingBox box;
    box.enlarge(makeBox(1, 2, 3, 4, 5, 6));
    expectBox(box, 1, 2, 3, 4, 5, 6);
    EXPECT_FALSE(box.isEmpty());
    // Each minimum the smaller, each maximum the larger, component by component.
    box.enlarge(makeBox(-1, 3, 0, 2, 9, 5));
    expectBox(box, -1, 2, 0, 4, 9, 6);
    // An empty box adds nothing.
    box.enlarge(BoundingBox{});
    expectBox(box, -1, 2, 0, 4, 9, 6);

    box.translate(10, -2, 0.5f);
    expectBox(box, 9, 0, 0.5f, 14, 7, 6.5f);

    // Edges count as inside; z plays no part.
    const BoundingBox unit = makeBox(0, 0, 5, 10, 20, 6);
    EXPECT_TRUE(unit.contains({0, 0}));
    EXPECT_TRUE(unit.contains({10, 20}));
    EXPECT_TRUE(unit.contains({10, 0}));
    EXPECT_TRUE(unit.contains({5, 10}));
    EXPECT_FALSE(unit.contains({10.001f, 10}));
    EXPECT_FALSE(unit.contains({5, -0.001f}));
    EXPECT_FALSE(unit.contains({-0.001f, 20}));
    EXPECT_FALSE(unit.contains({5, 20.001f}));
    EXPECT_FLOAT_EQ(unit.centreX(), 5.0f);
    EXPECT_FLOAT_EQ(unit.centreY(), 10.0f);
}

TEST(ElementTreeTest, ElementsJoinTheirWindowAndGroupInOrder)
{
    rig::Rig r;
    // The window made its root group first.
    ASSERT_EQ(r.window.elements.size(), 1u);
    EXPECT_EQ(r.window.elements[0], r.window.root);
    EXPECT_EQ(r.window.root->parent(), nullptr);

    auto* group = new Group(&r.window);
    auto* a = new Probe(&r.window, 0, 0, 1, 1);
    auto* b = new Probe(&r.window, 0, 0, 1, 1);
    ASSERT_EQ(r.window.elements.size(), 4u);
    EXPECT_EQ(r.window.elements[1], group);
    EXPECT_EQ(r.window.elements[2], a);
    EXPECT_EQ(r.window.elements[3], b);
    EXPECT_EQ(group->window(), &r.window);
    EXPECT_EQ(a->parent(), nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(group->offset[i], 0.0f);

    HD::addChild(r.window.root, group);
    HD::addChild(group, b);
    HD::addChild(group, a);
    EXPECT_EQ(group->parent(), r.window.root);
    EXPECT_EQ(a->parent(), group);
    EXPECT_EQ(b->parent(), group);
    ASSERT_EQ(group->children().size(), 2u);
    EXPECT_EQ(group->children()[0], b);
    EXPECT_EQ(group->children()[1], a);
}

TEST(ElementTreeTest, GroupBoundsAddTheOffsetAndIgnoreEmptiness)
{
    rig::Rig r;
    auto* group = new Group(&r.window);
    auto* named = new NamedGroup(&r.window, "Filter");

    // Without children both leave the box as it was, whatever their offset.
    group->offset[0] = 700.0f;
    named->offset[1] = -900.0f;
    BoundingBox box = makeBox(1, 2, 3, 4, 5, 6);
    group->getBounds(box);
    named->getBounds(box);
    expectBox(box, 1, 2, 3, 4, 5, 6);
    BoundingBox empty;
    group->getBounds(empty);
    named->getBounds(empty);
    EXPECT_TRUE(empty.isEmpty());

    // Children's union (10..40 x 20..50, z 0..2) moved by the offset (5, 7, 1).
    HD::addChild(group, new Probe(&r.window, 10, 20, 30, 50));
    HD::addChild(group, new Probe(&r.window, 25, 30, 40, 35));
    group->offset[0] = 5;
    group->offset[1] = 7;
    group->offset[2] = 1;
    BoundingBox grouped;
    group->getBounds(grouped);
    expectBox(grouped, 15, 27, 1, 45, 57, 3);

    // The named group widens its child (10..30 x 20..50) by its margin (10)
    // in x and y, not in z, then moves by (100, 0).
    HD::addChild(named, new Probe(&r.window, 10, 20, 30, 50));
    named->offset[0] = 100;
    named->offset[1] = 0;
    BoundingBox framed;
    named->getBounds(framed);
    expectBox(framed, 100, 10, 0, 140, 60, 2);
    named->margin = 4;
    BoundingBox narrower;
    named->getBounds(narrower);
    expectBox(narrower, 106, 16, 0, 134, 54, 2);
}

TEST(ElementTreeTest, WindowBoundsWalkEveryAncestor)
{
    rig::Rig r;
    auto* outer = new Group(&r.window);
    auto* inner = new Group(&r.window);
    auto* leaf = new Probe(&r.window, 1, 2, 3, 4);
    HD::addChild(r.window.root, outer);
    HD::addChild(outer, inner);
    HD::addChild(inner, leaf);
    outer->offset[0] = 100;
    outer->offset[1] = 10;
    inner->offset[0] = 20;
    inner->offset[1] = 1;
    inner->offset[2] = 0.5f;

    // The leaf's own bounds plus 20+100 in x, 1+10 in y, 0.5 in z.
    expectBox(HD::windowBounds(leaf), 121, 13, 0.5f, 123, 15, 2.5f);
    // A group's own offset counts once, through its getBounds.
    expectBox(HD::windowBounds(inner), 121, 13, 0.5f, 123, 15, 2.5f);
    // An element outside the tree: its own bounds.
    auto* loose = new Probe(&r.window, 1, 2, 3, 4);
    expectBox(HD::windowBounds(loose), 1, 2, 0, 3, 4, 2);
}

TEST(ElementTreeTest, HitTestFindsTheFirstLeafInGroupCoordinates)
{
    rig::Rig r;
    auto* group = new Group(&r.window);
    auto* first = new Probe(&r.window, 0, 0, 50, 50);
    auto* second = new Probe(&r.window, 25, 25, 75, 75);
    HD::addChild(r.window.root, group);
    HD::addChild(group, first);
    HD::addChild(group, second);
    group->offset[0] = 100;
    group->offset[1] = 200;

    // Overlap: the one added first wins, although the later one is drawn on top.
    EXPECT_EQ(r.window.root->hitTest({130, 230}), first);
    EXPECT_EQ(r.window.root->hitTest({160, 260}), second);
    // Exactly on the edge is inside.
    EXPECT_EQ(r.window.root->hitTest({100, 200}), first);
    EXPECT_EQ(r.window.root->hitTest({175, 275}), second);
    // Inside the group's extent but on no child: nothing, never the group.
    EXPECT_EQ(r.window.root->hitTest({170, 210}), nullptr);
    // The children's own coordinates, without the offset, miss.
    EXPECT_EQ(r.window.root->hitTest({10, 10}), nullptr);
    // The window's hover tracking goes through the same path.
    r.window.updateHover({110, 210});
    EXPECT_EQ(r.window.hoverElement.load(), first);
}

TEST(ElementTreeTest, NamedGroupHoverTargetsAndDeletion)
{
    rig::Rig r;
    static const char name[] = "Delay";
    auto* named = new NamedGroup(&r.window, name);
    EXPECT_EQ(named->name, name);  // referred to, not copied
    EXPECT_FLOAT_EQ(named->margin, 10.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(named->colour[i], 0.5f);
        EXPECT_FLOAT_EQ(named->targetColour[i].load(), 0.5f);
    }

    const float hover[4] = {0.5f, 0.6f, 0.7f, 0.6f};
    const float normal[4] = {0.4f, 0.4f, 0.6f, 0.5f};
    std::memcpy(NamedGroup::hoverColour, hover, sizeof hover);
    std::memcpy(NamedGroup::normalColour, normal, sizeof normal);
    named->mouseEnter();
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(named->targetColour[i].load(), hover[i]);
    named->mouseLeave();
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(named->targetColour[i].load(), normal[i]);
    // Only the target moves; the drawn colour follows frame by frame.
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(named->colour[i], 0.5f);

    // A group refers to its children: deleting it leaves them alive.
    bool childDeleted = false;
    {
        Group standalone(nullptr);
        Probe child(nullptr, 0, 0, 1, 1, &childDeleted);
        HD::addChild(&standalone, &child);
        {
            auto* temporary = new Group(nullptr);
            HD::addChild(temporary, &child);
            delete temporary;
        }
        EXPECT_FALSE(childDeleted);
    }
    EXPECT_TRUE(childDeleted);
}

TEST(ElementTreeTest, ColoursGlideFifteenPercentPerFrame)
{
    std::atomic<float> target[4] = {{1.0f}, {0.0f}, {0.5f}, {0.2f}};
    float colour[4] = {0.0f, 1.0f, 0.5f, 0.6f};
    // n frames leave (0.85)^n of the distance.
    for (int frame = 1; frame <= 20; ++frame) {
        HD::glideColour(colour, target);
        const double left = std::pow(0.85, frame);
        EXPECT_NEAR(colour[0], 1.0 - left, 1e-5) << frame;
        EXPECT_NEAR(colour[1], left, 1e-5) << frame;
        EXPECT_FLOAT_EQ(colour[2], 0.5f) << frame;
        EXPECT_NEAR(colour[3], 0.2 + 0.4 * left, 1e-5) << frame;
    }
    // One step by hand: 0.15 * 1 + 0.85 * 0.5.
    float one[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    HD::glideColour(one, target);
    EXPECT_FLOAT_EQ(one[0], 0.575f);
}

TEST(ElementTreeTest, NamedGroupOutlineWithoutAFontHasNoGap)
{
    rig::Rig r;
    ASSERT_EQ(r.window.font, nullptr);
    auto* named = new NamedGroup(&r.window, "LFO");
    HD::addChild(r.window.root, named);
    HD::addChild(named, new Probe(&r.window, 10, 20, 110, 70));
    named->offset[0] = 30;
    named->offset[1] = 40;
    named->prepareGraphics();

    // Window bounds: (10-10+30, 20-10+40) to (110+10+30, 70+10+40) = (30, 50)-(150, 120).
    const float expected[12] = {40, 120, 30, 120, 30, 50, 150, 50, 150, 120, 40, 120};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(named->outline[i], expected[i]) << i;
    // No title run: only the window's own runs (none without a font).
    EXPECT_TRUE(r.window.text->runs().empty());
}

TEST(ElementTreeTest, NamedGroupTitleFollowsItsColourAndOpensTheFrame)
{
    auto owned = rig::tahoma(14);
    ASSERT_NE(owned, nullptr) << "Wine's fonts (fonts-wine) are needed for this test";
    HD::UIFont* font = owned.release();  // the window owns it
    rig::Rig r(font);
    ASSERT_EQ(r.window.font, font);
    const size_t runsBefore = r.window.text->runs().size();  // the version caption

    auto* named = new NamedGroup(&r.window, "Feedback");
    HD::addChild(r.window.root, named);
    HD::addChild(named, new Probe(&r.window, 10, 20, 110, 70));
    named->prepareGraphics();

    ASSERT_EQ(r.window.text->runs().size(), runsBefore + 1);
    const HD::StaticText::Run& run = r.window.text->runs().back();
    EXPECT_EQ(run.text, "Feedback");
    EXPECT_EQ(run.colour, named->colour);
    // Box (0, 10)-(120, 80): title at min x + margin, max y - lineHeight/2 - descender.
    EXPECT_FLOAT_EQ(run.x, 10.0f);
    EXPECT_FLOAT_EQ(run.y, 80.0f - font->lineHeight() / 2.0f - font->descender());
    EXPECT_GT(font->lineHeight(), 0.0f);

    const float title = font->textWidth("Feedback");
    EXPECT_GT(title, 20.0f);
    const float expected[12] = {10, 80, 0, 80, 0, 10, 120, 10, 120, 80, 10 + title, 80};
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(named->outline[i], expected[i]) << i;
}

TEST(ElementDrawingTest, GroupsTranslateTheirChildrenAndNamedGroupsDrawTheirFrame)
{
    TestGLContext gl(200, 150);
    ASSERT_TRUE(gl.ok()) << gl.error();
    rig::Rig r;
    auto* named = new NamedGroup(&r.window, "Frame");
    auto* group = new Group(&r.window);
    // A button draws its bounds as a green line loop; half units put the
    // lines on pixel centres.
    auto* button = new HD::Button(&r.window, "b", nullptr, nullptr, 10.5f, 20.5f, 40.0f, -2);
    HD::addChild(r.window.root, named);
    HD::addChild(named, group);
    HD::addChild(group, button);
    group->offset[0] = 30;
    group->offset[1] = 40;
    named->prepareGraphics();
    // Frame: button (10.5, 20.5)-(50.5, 50.5) + (30, 40), widened by 10:
    // (30.5, 50.5)-(90.5, 100.5); no font, so no gap.
    const float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        named->colour[i] = colour[i];
        named->targetColour[i].store(colour[i]);
    }

    rig::pixelProjection(gl.width(), gl.height());
    r.window.root->draw();

    // The button's loop, moved by the group's offset: columns 40 and 80, rows 60 and 90.
    auto green = [](const std::array<unsigned char, 4>& p) { return p[0] == 0 && p[1] == 255 && p[2] == 0; };
    EXPECT_TRUE(green(gl.pixel(60, 60)));
    EXPECT_TRUE(green(gl.pixel(60, 90)));
    EXPECT_TRUE(green(gl.pixel(40, 75)));
    EXPECT_TRUE(green(gl.pixel(80, 75)));
    EXPECT_TRUE(rig::isBlack(gl.pixel(60, 75)));  // inside: a loop, not a fill
    // Not where the untranslated button would be.
    EXPECT_TRUE(rig::isBlack(gl.pixel(30, 20)));
    EXPECT_TRUE(rig::isBlack(gl.pixel(10, 35)));

    // The frame in white, in the parent's coordinates (the matrix was popped).
    auto white = [](const std::array<unsigned char, 4>& p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; };
    EXPECT_TRUE(white(gl.pixel(30, 75)));   // left edge
    EXPECT_TRUE(white(gl.pixel(90, 75)));   // right edge
    EXPECT_TRUE(white(gl.pixel(60, 50)));   // bottom edge
    EXPECT_TRUE(white(gl.pixel(60, 100)));  // top edge, no gap without a title
    EXPECT_TRUE(rig::isBlack(gl.pixel(60, 110)));

    // The model-view matrix is as it was: a point drawn now is not translated.
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], 0.0f);
    EXPECT_FLOAT_EQ(matrix[13], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(ElementDrawingTest, NamedGroupFrameFadesTowardsItsTarget)
{
    TestGLContext gl(100, 100);
    ASSERT_TRUE(gl.ok()) << gl.error();
    rig::Rig r;
    auto* named = new NamedGroup(&r.window, "Fade");
    HD::addChild(r.window.root, named);
    HD::addChild(named, new Probe(&r.window, 20.5f, 20.5f, 60.5f, 60.5f));
    named->prepareGraphics();  // frame (10.5, 10.5)-(70.5, 70.5)
    const float start[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const float target[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        named->colour[i] = start[i];
        named->targetColour[i].store(target[i]);
    }

    // Frames 1, 2, 3 over black: 0.15, 0.2775, 0.385875 of full white.
    const double expected[3] = {0.15, 0.2775, 0.385875};
    for (double level : expected) {
        rig::pixelProjection(gl.width(), gl.height());
        named->draw();
        const auto p = gl.pixel(40, 10);  // bottom edge
        EXPECT_NEAR(p[0], level * 255.0, 1.0);
        EXPECT_NEAR(p[1], level * 255.0, 1.0);
    }
}
