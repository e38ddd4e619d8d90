// What a command-line program asks of the system about itself: where its own
// executable lives, and whether standard error is a terminal (and how wide).
#pragma once

#include <string>

namespace platform {

// Full path of the running executable, or empty when the system will not say.
std::string executablePath();

// True when standard error is an interactive terminal (not a file or pipe).
bool standardErrorIsTerminal();

// Width of the terminal on standard error in columns; 80 when unknown.
int terminalColumns();

}  // namespace platform
