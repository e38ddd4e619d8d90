// The floating-tooltip preference as tests see it, and a sandbox giving a
// test preferences of its own: on Linux a scratch configuration folder (the
// user's own is put back afterwards), and on every system the flag and any
// stored value as they were before.
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

namespace tooltip_preference {

constexpr int32_t kMissing = -12345;
constexpr const char kName[] = "Enable floating tooltip";

inline int32_t stored() { return readPreference(kMissing, constantString(kName)); }

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
        savedStored_ = stored();
    }
    ~Sandbox()
    {
        HD::setFloatingTooltipEnabled(savedFlag_);
        if (savedStored_ != kMissing) writePreference(constantString(kName), savedStored_);
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

}  // namespace tooltip_preference
