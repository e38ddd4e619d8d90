// The editor window through the system: the window class and the child
// window, pointer input that really comes from the system (Linux: XTest on
// the X server, read from the window's own connection in the idle call;
// Windows: window messages, with the modal drag loop consuming the queued
// pointer messages), and what is left after the editor or the host's window
// goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "GestureRig.h"
#include "support/System.h"
#include "support/TestHostWindow.h"
#include "support/WaitUntil.h"
#include "gui/Modifiers.h"
#include "gui/StaticText.h"
#include "gui/UIFont.h"
#include "platform/ChildWindow.h"
#include "platform/SystemServices.h"

using namespace gesture;
using HD::ModifierAlt;
using HD::ModifierControl;
using HD::ModifierShift;

namespace {

using Host = support::HostWindow;
using support::Key;

// An editor of 200 x 100 pixels at the top-left of a host window of 300 x 200.
struct HostedEditor
{
    CountingEffect effect;
    Host host{300, 200};
    HostedOwner owner{&effect, host.handle()};
    std::unique_ptr<HD::UIWindow> window{new HD::UIWindow(&owner, rectangle(0, 0, 200, 100), nullptr, nullptr)};
};

// The same with one element over window x 50..150, y 20..80 (pixel rows
// 20..80 from the top).
struct WindowFixture : ::testing::Test, HostedEditor
{
    void SetUp() override
    {
        ASSERT_TRUE(host.ok()) << "no host window (is DISPLAY set?)";
        ASSERT_NE(window->childWindow(), nullptr);
        element = new RecordingElement(window.get(), 50, 20, 150, 80);
        HD::addChild(window->root, element);
        displayRefreshes = 0;
        // Start with the pointer away from the editor.
        host.move(250, 150);
        host.deliver(window, [] { return true; });
    }

    // Delivers until the element has received `count` calls.
    void deliverUntil(size_t count)
    {
        host.deliver(window, [&] { return element->calls.size() >= count; });
    }

    RecordingElement* element = nullptr;
};

TEST_F(WindowFixture, ThePointerOverAnElementEntersItAndLeavesItForAnotherPlace)
{
    host.move(60, 70);
    host.move(65, 72);
    deliverUntil(1);
    EXPECT_EQ(element->calls, (std::vector<Record>{enter()}));
    EXPECT_EQ(window->hoverElement.load(), element);
    host.move(10, 10);  // inside the editor, over nothing
    deliverUntil(2);
    EXPECT_EQ(element->calls, (std::vector<Record>{enter(), leave()}));
    EXPECT_EQ(window->hoverElement.load(), nullptr);

    // Leaving the editor altogether is not noticed: the element stays hovered.
    host.move(100, 50);
    deliverUntil(3);
    host.move(260, 50);
    host.deliver(window);
    EXPECT_EQ(element->calls, (std::vector<Record>{enter(), leave(), enter()}));
    EXPECT_EQ(window->hoverElement.load(), element);
}

TEST_F(WindowFixture, PressDragAndReleaseReachTheElementInOrder)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.move(80, 40);
    host.release(1);
    deliverUntil(6);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(70, 40), drag(80, 60), drag(80, 60),
                                          up(80, 60)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window->activeIndex.load(), -1);
    EXPECT_EQ(displayRefreshes.load(), 1);

    // Pointer movement after the release is hover again, not drag.
    host.move(10, 10);
    deliverUntil(7);
    EXPECT_EQ(element->calls.back(), leave());
}

TEST_F(WindowFixture, ShiftPressedDuringADragRestartsTheGestureWithShift)
{
    host.move(60, 70);
    host.press(1);
    host.move(60, 65);
    host.keyDown(Key::Shift);
    host.move(60, 60);
    host.move(60, 55);
    host.keyUp(Key::Shift);
    host.move(60, 50);
    host.release(1);
    deliverUntil(12);
    const int S = ModifierShift;
    const std::vector<Record> expected = {
        enter(),   down(60, 30),    drag(60, 35),
        up(60, 40), down(60, 40, S), drag(60, 40, S),
        drag(60, 45, S),
        up(60, 50, S), down(60, 50), drag(60, 50),
        drag(60, 50),  // the release
        up(60, 50),
    };
    EXPECT_EQ(element->calls, expected);
}

TEST_F(WindowFixture, KeysHeldAtThePressComeWithIt)
{
    host.move(100, 50);
    host.keyDown(Key::Alt);
    host.keyDown(Key::Control);
    host.press(1);
    host.move(101, 50);
    host.release(1);
    host.keyUp(Key::Control);
    host.keyUp(Key::Alt);
    deliverUntil(5);
    const int AC = ModifierAlt | ModifierControl;
    const std::vector<Record> expected = {enter(), down(100, 50, AC), drag(101, 50, AC), drag(101, 50, AC),
                                          up(101, 50, AC)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(WindowFixture, ReleasingAnotherButtonEndsTheDrag)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 70);
    host.press(3);  // a position like a move
    host.move(75, 70);
    host.release(3);
    deliverUntil(7);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(70, 30), drag(70, 30), drag(75, 30),
                                          drag(75, 30), up(75, 30)};
    EXPECT_EQ(element->calls, expected);
    // The first button's own release later starts nothing.
    host.release(1);
    host.deliver(window);
    EXPECT_EQ(element->calls.size(), expected.size());
}

TEST_F(WindowFixture, TheMiddleAndRightButtonsDragLikeTheLeft)
{
    host.move(60, 70);
    deliverUntil(1);
    for (int button : {2, 3}) {
        element->calls.clear();
        host.move(60, 70);
        host.press(button);
        host.move(61, 70);
        host.release(button);
        deliverUntil(4);
        const std::vector<Record> expected = {down(60, 30), drag(61, 30), drag(61, 30), up(61, 30)};
        EXPECT_EQ(element->calls, expected) << "button " << button;
    }
}

TEST_F(WindowFixture, DraggingPastTheLeftAndBottomEdgesGivesNegativeCoordinates)
{
    host.move(60, 70);
    host.press(1);
    host.move(-30, 90);
    host.move(-30, 125);  // 25 below the editor
    host.release(1);
    deliverUntil(6);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(-30, 10), drag(-30, -25), drag(-30, -25),
                                          up(-30, -25)};
    EXPECT_EQ(element->calls, expected);
}

TEST_F(WindowFixture, ADoubleClickIsTwoPresses)
{
    host.move(60, 70);
    host.press(1);
    host.release(1);
    host.press(1);
    host.release(1);
    deliverUntil(7);
    const std::vector<Record> expected = {enter(),      down(60, 30), drag(60, 30), up(60, 30),
                                          down(60, 30), drag(60, 30), up(60, 30)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(displayRefreshes.load(), 2);
}

TEST_F(WindowFixture, APressOverNothingStartsNoDrag)
{
    host.move(10, 10);
    host.press(1);
    host.move(60, 70);  // over the element, button still down
    host.release(1);
    host.move(62, 70);
    host.deliver(window);
    // No gesture: the element sees at most hovering, never a press or a drag.
    for (const Record& r : element->calls) EXPECT_TRUE(r.call == Call::Enter || r.call == Call::Leave) << r;
    EXPECT_EQ(displayRefreshes.load(), 0);
}

TEST_F(WindowFixture, TheHostDestroyingItsWindowDuringADragEndsTheGesture)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.destroyParent();
    deliverUntil(4);
    const std::vector<Record> expected = {enter(), down(60, 30), drag(70, 40), up(70, 40)};
    EXPECT_EQ(element->calls, expected);
    EXPECT_EQ(window->activeIndex.load(), -1);
    // The editor closes later, its window long gone: nothing to fear.
    void* child = window->childWindow()->handle();
    EXPECT_FALSE(Host::exists(child));
    window.reset();
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST_F(WindowFixture, TheHostClosingTheEditorDuringADragIsSurvived)
{
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.call([this] { window.reset(); });
    host.move(80, 60);
    host.release(1);
    host.deliver(window);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST_F(WindowFixture, TheHostClosingTheEditorWhenAskedToRefreshIsSurvived)
{
    refreshHook = [this] { window.reset(); };
    host.move(60, 70);
    host.press(1);
    host.move(70, 60);
    host.release(1);
    host.deliver(window, [this] { return window == nullptr; });
    refreshHook = nullptr;
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(displayRefreshes.load(), 1);
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST(EditorWindow, TheClassIsRegisteredOnceWhileAnyEditorIsOpen)
{
    CountingEffect effect;
    Host host(300, 200);
    ASSERT_TRUE(host.ok());
    HostedOwner owner(&effect, host.handle());
    ASSERT_EQ(HD::UIWindow::liveWindows(), 0);

    char expectedName[64];
    std::snprintf(expectedName, sizeof expectedName, "parfelle%p", support::programModule());
    // X has no classes: the count of open editors is all.
    auto registered = [&] {
        return support::windowClassRegistered(expectedName).value_or(HD::UIWindow::liveWindows() > 0);
    };
    EXPECT_FALSE(registered());

    auto first = std::make_unique<HD::UIWindow>(&owner, rectangle(0, 0, 100, 100), nullptr, nullptr);
    EXPECT_STREQ(platform::windowClassName(), expectedName);
    EXPECT_TRUE(registered());
    auto second = std::make_unique<HD::UIWindow>(&owner, rectangle(100, 0, 100, 100), nullptr, nullptr);
    EXPECT_EQ(HD::UIWindow::liveWindows(), 2);
    ASSERT_NE(first->childWindow(), nullptr);
    ASSERT_NE(second->childWindow(), nullptr);
    first.reset();
    EXPECT_TRUE(registered());
    EXPECT_TRUE(Host::exists(second->childWindow()->handle()));
    second.reset();
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
    EXPECT_FALSE(registered());

    // And again from the start.
    auto third = std::make_unique<HD::UIWindow>(&owner, rectangle(0, 0, 100, 100), nullptr, nullptr);
    EXPECT_TRUE(registered());
    ASSERT_NE(third->childWindow(), nullptr);
    third.reset();
    EXPECT_FALSE(registered());
}

TEST(EditorWindow, TheChildWindowSitsInTheHostsWindowAtTheRectangle)
{
    CountingEffect effect;
    Host host(400, 300);
    ASSERT_TRUE(host.ok());
    HostedOwner owner(&effect, host.handle());
    HD::UIWindow window(&owner, rectangle(10, 20, 150, 120), nullptr, nullptr);
    ASSERT_NE(window.childWindow(), nullptr);
    void* child = window.childWindow()->handle();
    EXPECT_EQ(Host::systemParentOf(child), host.handle());
    const Host::Placement at = Host::placementOf(child);
    EXPECT_EQ(at.x, 10);
    EXPECT_EQ(at.y, 20);
    EXPECT_EQ(at.width, 150);
    EXPECT_EQ(at.height, 120);
    support::expectEditorChildWindow(child, platform::windowClassName());
}

TEST(EditorWindow, AfterTheEditorClosesItsWindowIsGoneAndReachesNothing)
{
    HostedEditor editor;
    ASSERT_TRUE(editor.host.ok());
    ASSERT_NE(editor.window->childWindow(), nullptr);
    void* child = editor.window->childWindow()->handle();
    EXPECT_TRUE(Host::exists(child));
    editor.window.reset();
    EXPECT_FALSE(Host::exists(child));
    EXPECT_TRUE(Host::exists(editor.host.handle()));
    // Input where the editor was finds only the host's window.
    editor.host.move(60, 70);
    editor.host.press(1);
    editor.host.move(70, 60);
    editor.host.release(1);
    editor.host.deliver(nullptr);
}

TEST(EditorWindow, TheHostMayDestroyItsWindowBeforeTheEditorCloses)
{
    HostedEditor editor;
    ASSERT_TRUE(editor.host.ok());
    ASSERT_NE(editor.window->childWindow(), nullptr);
    void* child = editor.window->childWindow()->handle();
    editor.host.destroyParent();
    editor.host.deliver(editor.window.get());
    EXPECT_FALSE(Host::exists(child));
    editor.window->processEvents();
    editor.window.reset();
    EXPECT_EQ(HD::UIWindow::liveWindows(), 0);
}

TEST(EditorWindow, ANonexistentParentGivesAWindowWithoutASystemWindow)
{
    CountingEffect effect;
    void* bogus = support::bogusWindowHandle();
    HostedOwner owner(&effect, bogus);
    HD::UIWindow window(&owner, rectangle(0, 0, 200, 100), nullptr, nullptr);
    EXPECT_EQ(window.childWindow(), nullptr);
    window.processEvents();
}

TEST(EditorWindow, CreationDerivesTheProjectionAndDescriptorsAndBuildsTheRootAndText)
{
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 770, 315), nullptr, nullptr);
    EXPECT_EQ(window.viewWidth, 770);
    EXPECT_EQ(window.viewHeight, 315);
    EXPECT_NEAR(window.aspect, 770.0 / 315.0, 1e-6);
    EXPECT_FLOAT_EQ(window.pixelScaleX, 2.0f / 770.0f);
    EXPECT_FLOAT_EQ(window.pixelScaleY, 2.0f / 315.0f);
    EXPECT_EQ(window.fieldOfView, 65.0f);
    // 315 / (2 tan 32.5 deg) = 315 / (2 x 0.6370703) = 247.2255
    EXPECT_NEAR(window.cameraDistance, 247.2255, 1e-3);
    EXPECT_EQ(window.cameraX, 385.0f);
    EXPECT_EQ(window.cameraY, 157.5f);
    EXPECT_EQ(window.scale, 1.0f);
    EXPECT_EQ(window.hoverIndex.load(), -1);
    EXPECT_EQ(window.activeIndex.load(), -1);
    EXPECT_EQ(window.hoverElement.load(), nullptr);
    EXPECT_EQ(window.tooltipElement.load(), nullptr);
    EXPECT_EQ(window.descriptionTable.load(), nullptr);
    EXPECT_EQ(window.tooltipAlpha, 0.0f);
    const float light[4] = {0, 0, 50, 1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(window.lightPosition[i], light[i]);

    for (int i = 0; i < rig::kRigParameterCount; ++i) {
        const HD::ParameterDescriptor& d = window.descriptors[i];
        EXPECT_EQ(d.index, i);
        EXPECT_STREQ(d.name, rig::kRigParameters[i].name);
        EXPECT_EQ(d.minimum, rig::kRigParameters[i].minimum);
        EXPECT_EQ(d.maximum, rig::kRigParameters[i].maximum);
        EXPECT_EQ(d.defaultValue, rig::kRigParameters[i].defaultValue);
        EXPECT_EQ(d.effect, &effect);
    }

    ASSERT_EQ(window.elements.size(), 1u);
    EXPECT_EQ(window.elements[0], static_cast<HD::UIElement*>(window.root));
    ASSERT_EQ(window.effects.size(), 1u);
    EXPECT_EQ(window.effects[0], static_cast<HD::Effect*>(window.text));
    // No font, no caption.
    EXPECT_EQ(window.font, nullptr);
    EXPECT_TRUE(window.text->runs().empty());
}

TEST(EditorWindow, WithAFontTheVersionCaptionStandsAtTheTopLeft)
{
    // The system's font, else Wine's Tahoma (package fonts-wine), which a
    // fresh Wine prefix does not copy to its fonts folder.
    HD::UIFont* font = nullptr;
    for (const std::string& path : {platform::systemFontPath(), std::string("/usr/share/wine/fonts/tahoma.ttf")}) {
        font = new HD::UIFont(14.0f, path);
        if (font->loaded()) break;
        delete font;
        font = nullptr;
    }
    if (!font) GTEST_SKIP() << "no font file here";
    const float descender = font->descender();
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 770, 315), font, nullptr);
    EXPECT_EQ(window.font, font);
    ASSERT_EQ(window.text->runs().size(), 1u);
    const HD::StaticText::Run& run = window.text->runs()[0];
    EXPECT_EQ(run.text, "haldrane : parfelle 2.0.2");
    EXPECT_EQ(run.x, 60.0f);
    EXPECT_EQ(run.y, 290.0f - descender);
    EXPECT_LT(descender, 0.0f);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(run.colour[i], grey[i]);
}

TEST(EditorWindow, AFontThatHoldsNothingIsDroppedAndDeleted)
{
    const platform::ErrorReporter before = platform::setErrorReporter([](const std::string&, bool) {});
    auto* missing = new HD::UIFont(14.0f, "/nonexistent/font.ttf");
    ASSERT_FALSE(missing->loaded());
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 770, 315), missing, nullptr);
    EXPECT_EQ(window.font, nullptr);
    EXPECT_TRUE(window.text->runs().empty());
    platform::setErrorReporter(before);
}

// ---- the services around the window ---------------------------------------------------

std::vector<std::string> reports;
void keepReport(const std::string& text, bool warningIcon) { reports.push_back((warningIcon ? "!" : "-") + text); }

TEST(SystemServices, ErrorMessagesGoToTheReporterWhileOneIsSet)
{
    reports.clear();
    const platform::ErrorReporter before = platform::setErrorReporter(keepReport);
    platform::showError("first", true);
    platform::showError("second", false);
    EXPECT_EQ(platform::setErrorReporter(before), keepReport);
    EXPECT_EQ(reports, (std::vector<std::string>{"!first", "-second"}));
}

// The keys as reported once the server has taken the fake input (a few
// tries: the server handles input between requests, not within them).
int modifiersSettlingOn(int expected)
{
    int now = 0;
    support::waitUntil([&] { return (now = platform::pollModifiers()) == expected; });
    return now;
}

TEST(SystemServices, TheModifierKeysHeldNowAreReported)
{
    Host host(10, 10);
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(platform::pollModifiers(), 0);
    struct Case
    {
        Key key;
        int flag;
    };
    for (const Case& c : {Case{Key::Shift, ModifierShift}, Case{Key::Control, ModifierControl},
                          Case{Key::Alt, ModifierAlt}}) {
        host.keyDown(c.key);
        host.deliver(nullptr);
        EXPECT_EQ(modifiersSettlingOn(c.flag), c.flag);
        host.keyUp(c.key);
        host.deliver(nullptr);
        EXPECT_EQ(modifiersSettlingOn(0), 0);
    }
    host.keyDown(Key::Shift);
    host.keyDown(Key::Alt);
    host.deliver(nullptr);
    EXPECT_EQ(modifiersSettlingOn(ModifierShift | ModifierAlt), ModifierShift | ModifierAlt);
}

}  // namespace
