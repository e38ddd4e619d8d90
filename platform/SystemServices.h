// Small services the toolkit asks of the system.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// A message box without owner, captioned "Error", with a warning icon or
// none (standard error on Linux). Any thread.
void showError(const std::string& text, bool warningIcon = true);
// Where showError's messages go instead of the system, when set (tests: a
// message box would wait for a click). Returns the previous reporter; null
// restores the system's.
using ErrorReporter = void (*)(const std::string& text, bool warningIcon);
ErrorReporter setErrorReporter(ErrorReporter reporter);

// The system's text for the last error of the calling thread.
std::string lastErrorText();

// The library's own resource of a type and id: its bytes, which stay valid
// while the library is loaded, or false (and the error recorded for
// lastErrorText) when there is none.
bool findResource(int type, int id, const unsigned char*& bytes, size_t& size);

// The system font file: %WINDIR%\fonts\tahoma.ttf when WINDIR is set or on
// Windows (c:\windows without it); on Linux otherwise a Tahoma found through
// fontconfig (with Wine's font folder added), else a sans-serif face.
std::string systemFontPath();

// Opens an address in the user's browser without waiting.
void openWebPage(const char* address);

}  // namespace platform
