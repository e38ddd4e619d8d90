// Preferences of a test's own: on Linux a scratch configuration folder (the
// user's own is put back afterwards); on every system the floating-tooltip
// flag and its stored value as they were before.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "editor/RenderTask.h"
#include "framework/CFString.h"
#include "framework/Preferences.h"

#if !defined(_WIN32)
#include <stdlib.h>
#endif

namespace test_preferences {

constexpr int32_t kMissing = -12345;
constexpr const char kTooltip[] = "Enable floating tooltip";

inline int32_t storedTooltip() { return readPreference(kMissing, constantString(kTooltip)); }

class Sandbox
{
public:
    Sandbox()
    {
#if !defined(_WIN32)
        if (const char* home = std::getenv("XDG_CONFIG_HOME")) {
            hadHome_ = true;
            home_ = home;
        }
        char pattern[] = "/tmp/parfelle-preferences-XXXXXX";
        if (mkdtemp(pattern)) {
            scratch_ = pattern;
            setenv("XDG_CONFIG_HOME", (scratch_ + "/config").c_str(), 1);
        }
#endif
        savedFlag_ = HD::floatingTooltipEnabled();
        savedStored_ = storedTooltip();
    }
    ~Sandbox()
    {
        HD::setFloatingTooltipEnabled(savedFlag_);
        if (savedStored_ != kMissing) writePreference(constantString(kTooltip), savedStored_);
#if !defined(_WIN32)
        if (!scratch_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(scratch_, ignored);
        }
        if (hadHome_)
            setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
#endif
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

private:
    bool savedFlag_ = false;
    int32_t savedStored_ = kMissing;
#if !defined(_WIN32)
    std::string scratch_, home_;
    bool hadHome_ = false;
#endif
};

}  // namespace test_preferences
