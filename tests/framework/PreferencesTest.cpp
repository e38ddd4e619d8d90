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
#include "support/Preferences.h"

namespace {

// A name no earlier run has used, so "missing" really is missing.
std::string freshName(const char* stem)
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(stem) + " " + std::to_string(ticks);
}

void writeRaw(const std::string& name, const std::string& text)
{
    ASSERT_TRUE(support::writeRawPreference(name, text)) << name;
}

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(store_.ok()); }

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

private:
    support::PreferenceFolder store_;
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
    if (!support::preferencesAreText()) return;
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
}
