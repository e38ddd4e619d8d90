// Linux has no per-thread last-error code for our own failures (a missing
// resource, a refused window): their text is kept per thread for
// lastErrorText, as Windows keeps its code.
#pragma once

#include <string>

namespace platform {

void setLastErrorText(std::string text);

}  // namespace platform
