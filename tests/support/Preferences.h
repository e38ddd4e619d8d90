// A preferences store of the test's own. Linux keeps the store in a file
// under $XDG_CONFIG_HOME: it is pointed at a scratch folder, removed
// afterwards, and the variable put back. Windows keeps it in the registry,
// which under Wine belongs to the test's own prefix, so nothing moves.
#pragma once

#include <string>

namespace support {

class PreferenceFolder
{
public:
    PreferenceFolder();
    ~PreferenceFolder();
    PreferenceFolder(const PreferenceFolder&) = delete;
    PreferenceFolder& operator=(const PreferenceFolder&) = delete;

    // False if the scratch folder could not be made.
    bool ok() const { return ok_; }

private:
    bool ok_ = true;
    std::string scratch_, saved_;
    bool hadSaved_ = false;
};

// Stores text as the value of name the way no writer of ours would, for
// reading back malformed values. False if the store could not be written.
bool writeRawPreference(const std::string& name, const std::string& text);

// True when the store is a text file, whose lines can be damaged in more
// ways than a registry value can.
bool preferencesAreText();

}  // namespace support
