// The editor's window class as Windows keeps it: X has no window classes.
#include <gtest/gtest.h>
#include <windows.h>

#include "GestureRig.h"
#include "platform/ChildWindow.h"

using namespace gesture;

namespace {

TEST(EditorWindow, TheClassHasTheStyleCursorAndBrushOfTheDesign)
{
    CountingEffect effect;
    HostedOwner owner(&effect, nullptr);
    HD::UIWindow window(&owner, rectangle(0, 0, 100, 100), nullptr, nullptr);
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), platform::windowClassName(), &wc));
    EXPECT_EQ(wc.style, 0x4020u);  // CS_OWNDC | CS_GLOBALCLASS; no CS_DBLCLKS
    EXPECT_EQ(wc.style & CS_DBLCLKS, 0u);
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    EXPECT_EQ(wc.hbrBackground, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hIcon, nullptr);
}

}  // namespace
