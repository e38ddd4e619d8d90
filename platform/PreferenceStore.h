// Per-user storage of named 32-bit integers. Windows keeps them as REG_DWORD
// values under HKEY_CURRENT_USER\<key>; Linux in a small text file per key
// under $XDG_CONFIG_HOME (default ~/.config), replaced atomically on write.
// Nothing is cached: every call opens, reads or writes, and closes.
#pragma once

#include <cstdint>

namespace platform {

// True and the value when the entry exists and holds exactly a 32-bit value.
bool readStoredInteger(const char* key, const char* name, int32_t& value);

// Creates the key when needed; failures are silent (the write is lost).
void writeStoredInteger(const char* key, const char* name, int32_t value);

}  // namespace platform
