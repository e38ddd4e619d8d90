#include "support/Preferences.h"

#include <windows.h>

#include "framework/Preferences.h"

namespace support {

PreferenceFolder::PreferenceFolder() = default;
PreferenceFolder::~PreferenceFolder() = default;

bool writeRawPreference(const std::string& name, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPreferencesKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG written = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

bool preferencesAreText() { return false; }

}  // namespace support
