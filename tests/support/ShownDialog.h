// The system dialog box a thread shows (Windows), found from a second thread
// that then drives it as a user would. Linux has no system dialog boxes:
// none is ever found there.
#pragma once

#include <string>

namespace support {

using ThreadToken = unsigned long;
ThreadToken currentThread();

// The visible dialog box of thread, waiting up to ten seconds for it; null
// if none came.
void* waitForDialog(ThreadToken thread);

std::string dialogText(void* dialog, int id);
// The user's click on a button of the dialog.
void clickDialogButton(void* dialog, int id);

}  // namespace support
