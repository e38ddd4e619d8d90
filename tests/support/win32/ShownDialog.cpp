#include "support/ShownDialog.h"

#include <windows.h>

namespace support {

namespace {
BOOL CALLBACK findVisible(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    // Shown only once its controls exist and it has been initialised.
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
}  // namespace

ThreadToken currentThread() { return GetCurrentThreadId(); }

void* waitForDialog(ThreadToken thread)
{
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !dialog; ++i) {
        EnumThreadWindows(static_cast<DWORD>(thread), findVisible, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) Sleep(10);
    }
    return dialog;
}

std::string dialogText(void* dialog, int id)
{
    char text[128] = {};
    GetDlgItemTextA(static_cast<HWND>(dialog), id, text, sizeof text);
    return text;
}

void clickDialogButton(void* dialog, int id)
{
    SendMessageA(GetDlgItem(static_cast<HWND>(dialog), id), BM_CLICK, 0, 0);
}

}  // namespace support
