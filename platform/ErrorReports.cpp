// showError's routing, the same on every system.
#include <atomic>

#include "platform/ErrorBox.h"
#include "platform/SystemServices.h"

namespace platform {

namespace {
std::atomic<ErrorReporter> currentReporter{nullptr};
}

ErrorReporter setErrorReporter(ErrorReporter reporter) { return currentReporter.exchange(reporter); }

void showError(const std::string& text, bool warningIcon)
{
    if (ErrorReporter reporter = currentReporter.load())
        reporter(text, warningIcon);
    else
        showErrorBox(text, warningIcon);
}

}  // namespace platform
