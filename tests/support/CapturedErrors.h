// The messages the code under test would show the user (platform's
// error reporter), kept instead while one of these lives. One at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/SystemServices.h"

namespace support {

class CapturedErrors
{
public:
    CapturedErrors();
    ~CapturedErrors();
    CapturedErrors(const CapturedErrors&) = delete;
    CapturedErrors& operator=(const CapturedErrors&) = delete;

    static const std::vector<std::string>& texts();
    // Per text: shown with a warning icon rather than as a plain box.
    static const std::vector<bool>& icons();
    static bool empty() { return texts().empty(); }
    // The first text, or "" (for failure messages).
    static std::string first() { return empty() ? std::string() : texts().front(); }
    static void clear();

private:
    platform::ErrorReporter previous_;
};

}  // namespace support
