#include "framework/Preferences.h"

#include "framework/CFString.h"
#include "platform/PreferenceStore.h"

int32_t readPreference(int32_t defaultValue, const CFString* name)
{
    int32_t value = 0;
    if (name && platform::readStoredInteger(kPreferencesKey, name->text(), value)) return value;
    return defaultValue;
}

void writePreference(const CFString* name, int32_t value)
{
    if (name) platform::writeStoredInteger(kPreferencesKey, name->text(), value);
}
