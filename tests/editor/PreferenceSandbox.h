// Preferences of a test's own: the store in a scratch place where the
// system keeps it in a file, and the floating-tooltip flag and its stored
// value put back as they were before.
#pragma once

#include <cstdint>

#include "editor/RenderTask.h"
#include "framework/CFString.h"
#include "framework/Preferences.h"
#include "support/Preferences.h"

namespace test_preferences {

constexpr int32_t kMissing = -12345;
constexpr const char kTooltip[] = "Enable floating tooltip";

inline int32_t storedTooltip() { return readPreference(kMissing, constantString(kTooltip)); }

class Sandbox
{
public:
    Sandbox() : savedFlag_(HD::floatingTooltipEnabled()), savedStored_(storedTooltip()) {}
    ~Sandbox()
    {
        HD::setFloatingTooltipEnabled(savedFlag_);
        if (savedStored_ != kMissing) writePreference(constantString(kTooltip), savedStored_);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

private:
    // First in, last out: the values are read and put back inside it.
    support::PreferenceFolder store_;
    bool savedFlag_;
    int32_t savedStored_;
};

}  // namespace test_preferences
