#include "platform/AboutDialogBox.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/ModuleInstance.h"

namespace platform {

namespace {

// The content travels as the creation argument and lives on in the dialog's
// user data, so several editors can each have their dialog open.
const AboutDialogContent* contentOf(HWND dialog)
{
    return reinterpret_cast<const AboutDialogContent*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR CALLBACK aboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* content = reinterpret_cast<const AboutDialogContent*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        if (content) {
            if (content->product) SetDlgItemTextA(dialog, kAboutProduct, content->product);
            if (content->version) SetDlgItemTextA(dialog, kAboutVersion, content->version);
            const bool on = content->tooltipEnabled && content->tooltipEnabled();
            CheckDlgButton(dialog, kAboutTooltipCheck, on ? BST_CHECKED : BST_UNCHECKED);
        }
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const AboutDialogContent* content = contentOf(dialog);
    switch (LOWORD(wParam)) {
    case kAboutOk:
    case kAboutCancel:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case kAboutWebButton:
        // A browser that does not start is not the dialog's concern.
        if (content && content->webAddress) {
            if (content->openWebPage)
                content->openWebPage(content->webAddress);
            else
                ShellExecuteA(nullptr, "open", content->webAddress, nullptr, nullptr, 0);
        }
        return TRUE;
    case kAboutTooltipCheck:
        if (content && content->toggleTooltip) content->toggleTooltip();
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int showAboutDialogBox(void* owner, const AboutDialogContent& content)
{
    const INT_PTR result = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(kAboutDialogTemplate),
                                           static_cast<HWND>(owner), aboutProcedure,
                                           reinterpret_cast<LPARAM>(&content));
    return result == 0 || result == -1 ? -1 : static_cast<int>(result);
}

}  // namespace platform
