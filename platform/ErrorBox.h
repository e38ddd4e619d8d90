// Inside platform/: the system's own way of showing an error message, which
// showError uses unless a reporter has been set.
#pragma once

#include <string>

namespace platform {

void showErrorBox(const std::string& text, bool warningIcon);

}  // namespace platform
