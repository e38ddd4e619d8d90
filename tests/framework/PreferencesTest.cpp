// The per-user preferences: round trip, defaults for missing and malformed
// values. Linux keeps a file under $XDG_CONFIG_HOME (pointed at a scratch
// folder here); Windows the registry of the test's own Wine prefix.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/CFString.h"
#include "framework/Preferences.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A name no earlier run has used, so "missing" really is missing.
std::string freshName(const char* stem)
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(stem) + " " + std::to_string(ticks);
}

#if defined(_WIN32)
void writeRaw(const std::string& name, const std::string& text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kPreferencesKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}
#else
std::string configFolder;

void writeRaw(const std::string& name, const std::string& text)
{
    const std::string path = configFolder + "/" + kPreferencesKey + ".conf";
    FILE* file = std::fopen(path.c_str(), "ab");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "%s=%s\n", name.c_str(), text.c_str());
    std::fclose(file);
}
#endif

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
#if !defined(_WIN32)
        char pattern[] = "/tmp/parfelle-prefs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        configFolder = std::string(pattern) + "/config";  // not there yet: the write creates it
        setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
#endif
    }

    int32_t read(const std::string& name, int32_t fallback)
    {
        CFString* string = makeString(name.c_str());
        CFRetain(string);
        const int32_t value = readPreference(fallback, string);
        CFRelease(string);
        return value;
    }

    void write(const std::string& name, int32_t value)
    {
        CFString* string = makeString(name.c_str());
        CFRetain(string);
        writePreference(string, value);
        CFRelease(string);
    }
};

}  // namespace

TEST_F(PreferencesTest, MissingValuesReadAsTheDefault)
{
    EXPECT_EQ(read(freshName("GUI scale"), 100), 100);
    EXPECT_EQ(read(freshName("Enable eye candy"), 1), 1);
    EXPECT_EQ(readPreference(7, nullptr), 7);
}

TEST_F(PreferencesTest, RoundTripAndOverwrite)
{
    const std::string scale = freshName("GUI scale");
    write(scale, 150);
    EXPECT_EQ(read(scale, 100), 150);
    write(scale, -2000000000);
    EXPECT_EQ(read(scale, 100), -2000000000);
    // Another name beside it keeps its own value.
    const std::string tooltip = freshName("Enable floating tooltip");
    write(tooltip, 1);
    EXPECT_EQ(read(tooltip, 0), 1);
    EXPECT_EQ(read(scale, 100), -2000000000);
    write(tooltip, 0);
    EXPECT_EQ(read(tooltip, 1), 0);
}

TEST_F(PreferencesTest, MalformedValuesReadAsTheDefault)
{
    write(freshName("anchor"), 1);  // make sure the store exists
    const std::string text = freshName("GUI scale");
    writeRaw(text, "one hundred and fifty");  // text longer than 4 bytes
    EXPECT_EQ(read(text, 100), 100);
#if !defined(_WIN32)
    const std::string huge = freshName("huge");
    writeRaw(huge, "99999999999");
    EXPECT_EQ(read(huge, 5), 5);
    const std::string trailing = freshName("trailing");
    writeRaw(trailing, "12abc");
    EXPECT_EQ(read(trailing, 5), 5);
    writeRaw("no equals sign here", "");
    const std::string after = freshName("after");
    write(after, 42);
    EXPECT_EQ(read(after, 0), 42);  // a damaged line does not spoil the rest
#endif
}
