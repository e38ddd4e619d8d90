// Windows: the about-and-preferences dialog as the system's dialog box
// from the library's template, driven from a second thread as a user
// would: its texts, styles and layout, the check box and its stored
// preference, the web button and OK.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "EditorFixture.h"
#include "PreferenceSandbox.h"
#include "editor/AboutDialog.h"
#include "editor/AboutPanel.h"
#include "platform/AboutDialogBox.h"
#include "support/ShownDialog.h"

namespace {

using test_preferences::kMissing;
using test_preferences::storedTooltip;

// Preferences of the test's own, as in AboutDialogTest.
class AboutDialogBox : public ::testing::Test
{
    test_preferences::Sandbox preferences_;
};

HWND waitFor(DWORD thread) { return static_cast<HWND>(support::waitForDialog(thread)); }
std::string textOf(HWND dialog, int id) { return support::dialogText(dialog, id); }

// What the driving thread saw; checked on the test's thread.
struct Seen
{
    bool found = false;
    std::string caption, maker, web, product, version, frame, check, ok;
    bool checkedBefore = false, checkedAfter = false;
    bool flagAfter = false;
    int32_t storedAfter = kMissing;
    LONG dialogStyle = 0, checkStyle = 0, okStyle = 0, webStyle = 0;
    // Each control's place in the client area against the template's
    // dialog units mapped by the dialog itself.
    std::vector<std::string> misplaced;
    RECT client{}, clientExpected{};
};

void look(HWND dialog, Seen& seen)
{
    seen.found = true;
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    seen.caption = caption;
    seen.maker = textOf(dialog, 103);
    seen.web = textOf(dialog, 104);
    seen.product = textOf(dialog, 105);
    seen.version = textOf(dialog, 106);
    seen.frame = textOf(dialog, 109);
    seen.check = textOf(dialog, 110);
    seen.ok = textOf(dialog, 1);
    seen.dialogStyle = GetWindowLongA(dialog, GWL_STYLE);
    seen.checkStyle = GetWindowLongA(GetDlgItem(dialog, 110), GWL_STYLE);
    seen.okStyle = GetWindowLongA(GetDlgItem(dialog, 1), GWL_STYLE);
    seen.webStyle = GetWindowLongA(GetDlgItem(dialog, 104), GWL_STYLE);
    const int places[][5] = {{103, 8, 10, 70, 10},   {104, 70, 8, 120, 12},  {105, 8, 22, 70, 10},
                             {106, 8, 34, 70, 10},   {109, 8, 110, 184, 48}, {110, 12, 122, 176, 10},
                             {1, 80, 162, 40, 12}};
    for (const auto& p : places) {
        // The dialog maps the position and the size each on their own.
        RECT mapped{p[1], p[2], p[3], p[4]};
        MapDialogRect(dialog, &mapped);
        const RECT expected{mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
        RECT actual{};
        GetWindowRect(GetDlgItem(dialog, p[0]), &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        if (actual.left != expected.left || actual.top != expected.top || actual.right != expected.right ||
            actual.bottom != expected.bottom)
            seen.misplaced.push_back(std::to_string(p[0]));
    }
    GetClientRect(dialog, &seen.client);
    seen.clientExpected = RECT{0, 0, 200, 178};
    MapDialogRect(dialog, &seen.clientExpected);
    seen.checkedBefore = IsDlgButtonChecked(dialog, 110) == BST_CHECKED;
}

}  // namespace

TEST_F(AboutDialogBox, WindowsDialogFromTheTemplate)
{
    EditorFixture editor;
    HD::setFloatingTooltipEnabled(true);
    Seen seen;
    const DWORD me = GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = waitFor(me);
        if (!dialog) return;
        look(dialog, seen);
        // A user's click on the check box: it ticks itself and tells the dialog.
        SendMessageA(GetDlgItem(dialog, 110), BM_CLICK, 0, 0);
        seen.checkedAfter = IsDlgButtonChecked(dialog, 110) == BST_CHECKED;
        seen.flagAfter = HD::floatingTooltipEnabled();
        seen.storedAfter = storedTooltip();
        // The title bar's close box.
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    const int ended = about::show(editor.window.get());
    driver.join();
    ASSERT_TRUE(seen.found) << "no dialog appeared";
    EXPECT_EQ(ended, 2);  // the close box ends it as cancel, like OK
    EXPECT_EQ(seen.caption, "About");
    EXPECT_EQ(seen.maker, "Haldrane");
    EXPECT_EQ(seen.web, about::kWebButton);
    EXPECT_EQ(seen.product, "Parfelle");
    EXPECT_EQ(seen.version, "2.0.2");
    EXPECT_EQ(seen.frame, "Preferences");
    EXPECT_EQ(seen.check, "Floating tooltip");
    EXPECT_EQ(seen.ok, "OK");
    EXPECT_TRUE(seen.checkedBefore);
    EXPECT_FALSE(seen.checkedAfter);
    EXPECT_FALSE(seen.flagAfter);
    EXPECT_EQ(seen.storedAfter, 0);
    EXPECT_FALSE(HD::floatingTooltipEnabled());
    EXPECT_EQ(seen.dialogStyle & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME), WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    EXPECT_EQ(seen.checkStyle & 0xF, BS_AUTOCHECKBOX);
    EXPECT_TRUE(seen.checkStyle & WS_TABSTOP);
    EXPECT_EQ(seen.okStyle & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_TRUE(seen.webStyle & WS_TABSTOP);
    EXPECT_TRUE(seen.misplaced.empty()) << "misplaced: " << ::testing::PrintToString(seen.misplaced);
    EXPECT_EQ(seen.client.right, seen.clientExpected.right);
    EXPECT_EQ(seen.client.bottom, seen.clientExpected.bottom);
}

namespace {
std::vector<std::string> openedAddresses;
void recordAddress(const char* address) { openedAddresses.push_back(address); }
bool tooltipOff() { return false; }
int toggles = 0;
void countToggle() { ++toggles; }
}  // namespace

TEST_F(AboutDialogBox, WindowsDialogUncheckedWebButtonAndOk)
{
    platform::AboutDialogContent content;
    content.product = "Parfelle";
    content.version = "2.0.2";
    content.webAddress = about::kWebAddress;
    content.tooltipEnabled = tooltipOff;
    content.toggleTooltip = countToggle;
    content.openWebPage = recordAddress;
    openedAddresses.clear();
    toggles = 0;
    bool found = false, checked = true;
    int togglesSeen = -1;
    const DWORD me = GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = waitFor(me);
        if (!dialog) return;
        found = true;
        checked = IsDlgButtonChecked(dialog, 110) == BST_CHECKED;
        SendMessageA(GetDlgItem(dialog, 104), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, 110), BM_CLICK, 0, 0);
        togglesSeen = toggles;
        // An id the dialog does not know changes nothing.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(107, BN_CLICKED), 0);
        SendMessageA(GetDlgItem(dialog, 1), BM_CLICK, 0, 0);
    });
    const int ended = platform::showAboutDialogBox(nullptr, content);
    driver.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(checked);
    ASSERT_EQ(openedAddresses.size(), 1u);
    EXPECT_EQ(openedAddresses[0], about::kWebAddress);
    EXPECT_EQ(togglesSeen, 1);
    EXPECT_EQ(toggles, 1);
}
