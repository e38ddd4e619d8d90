#include "platform/PreferenceStore.h"

#include <windows.h>

namespace platform {

bool readStoredInteger(const char* key, const char* name, int32_t& value)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    // No type is asked for: any value whose data fits the four bytes counts.
    unsigned char data[4] = {};
    DWORD size = sizeof data;
    const LONG status = RegQueryValueExA(handle, name, nullptr, nullptr, data, &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                                 (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24));
    return true;
}

void writeStoredInteger(const char* key, const char* name, int32_t value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return;
    const DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(handle);
}

}  // namespace platform
