// An immutable text value, and the process-wide cache of constant strings.
#pragma once

#include <string>

#include "framework/CFType.h"

class CFString : public CFType
{
public:
    explicit CFString(const char* text) : text_(text ? text : "") {}
    const char* text() const { return text_.c_str(); }
    size_t length() const { return text_.size(); }

private:
    std::string text_;
};

// A new string with count 0 holding a copy of text; a caller that keeps it retains it.
CFString* makeString(const char* text);

// The cached string for a constant text, keyed by the text's address. The
// reference is borrowed: do not release it. Thread-safe.
CFString* constantString(const char* text);

// Copies text and terminating zero when they fit in size bytes; otherwise
// returns false and leaves buffer untouched.
bool copyToBuffer(const CFString* string, char* buffer, int size);
