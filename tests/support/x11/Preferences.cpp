#include "support/Preferences.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "framework/Preferences.h"

namespace support {

PreferenceFolder::PreferenceFolder()
{
    if (const char* home = std::getenv("XDG_CONFIG_HOME")) {
        hadSaved_ = true;
        saved_ = home;
    }
    char pattern[] = "/tmp/parfelle-preferences-XXXXXX";
    ok_ = mkdtemp(pattern) != nullptr;
    if (!ok_) return;
    scratch_ = pattern;
    // Not there yet: the store's first write makes it.
    setenv("XDG_CONFIG_HOME", (scratch_ + "/config").c_str(), 1);
}

PreferenceFolder::~PreferenceFolder()
{
    if (!scratch_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }
    if (hadSaved_)
        setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

bool writeRawPreference(const std::string& name, const std::string& text)
{
    const char* home = std::getenv("XDG_CONFIG_HOME");
    if (!home) return false;
    const std::string path = std::string(home) + "/" + kPreferencesKey + ".conf";
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    std::fprintf(file, "%s=%s\n", name.c_str(), text.c_str());
    return std::fclose(file) == 0;
}

bool preferencesAreText() { return true; }

}  // namespace support
