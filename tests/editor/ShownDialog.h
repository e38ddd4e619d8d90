// Windows: the dialog box a thread shows, found from a second thread that
// then drives it as a user would.
#pragma once

#if defined(_WIN32)
#include <windows.h>

#include <string>

namespace shown_dialog {

inline BOOL CALLBACK findVisible(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    // Shown only once its controls exist and it has been initialised.
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The dialog shown by thread, waiting up to ten seconds for it; null if none came.
inline HWND waitFor(DWORD thread)
{
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !dialog; ++i) {
        EnumThreadWindows(thread, findVisible, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) Sleep(10);
    }
    return dialog;
}

inline std::string textOf(HWND dialog, int id)
{
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

}  // namespace shown_dialog
#endif
