// Reference counting, the constant-string cache, buffer copies and arrays.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/CFArray.h"
#include "framework/CFString.h"

namespace {

// Counts destructions, to see exactly what a release frees.
int destroyed = 0;
class CountedString : public CFString
{
public:
    using CFString::CFString;
    ~CountedString() override { ++destroyed; }
};

}  // namespace

TEST(ValueTypes, RetainAndReleaseDestroyAtZero)
{
    destroyed = 0;
    CFString* s = new CountedString("x");
    EXPECT_EQ(s->retainCount(), 0);
    CFRetain(s);
    CFRetain(s);
    EXPECT_EQ(s->retainCount(), 2);
    CFRelease(s);
    EXPECT_EQ(destroyed, 0);
    CFRelease(s);
    EXPECT_EQ(destroyed, 1);
    CFRetain(nullptr);
    CFRelease(nullptr);
}

// A cached string handed to several threads at once, each retaining and
// releasing its own references: no count may be lost, or the string would
// be freed under a reader (or never).
TEST(ValueTypes, CountsSurviveThreadsRetainingAndReleasingAtOnce)
{
    static const char text[] = "shared by threads";
    CFString* shared = constantString(text);
    const int32_t before = shared->retainCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([shared] {
            for (int i = 0; i < 20000; ++i) {
                CFRetain(shared);
                CFRetain(shared);
                CFRelease(shared);
                CFRelease(shared);
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(shared->retainCount(), before);
    EXPECT_EQ(constantString(text), shared);
}

TEST(ValueTypes, ConstantStringsAreCachedByAddress)
{
    static const char text[] = "1/4";
    static const char sameText[] = "1/4";
    CFString* first = constantString(text);
    CFString* again = constantString(text);
    EXPECT_EQ(first, again);
    EXPECT_EQ(first->retainCount(), 1);
    EXPECT_STREQ(first->text(), "1/4");
    CFString* other = constantString(sameText);
    EXPECT_NE(other, first);  // equal text, different constant
    EXPECT_STREQ(other->text(), "1/4");
    EXPECT_EQ(constantString(nullptr), nullptr);
}

TEST(ValueTypes, CopyToBufferNeedsRoomForTheZero)
{
    CFString* fits = makeString("abcdefghijklmnopqrstuvw");  // 23 characters
    CFString* tooLong = makeString("abcdefghijklmnopqrstuvwx");  // 24
    CFRetain(fits);
    CFRetain(tooLong);
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_TRUE(copyToBuffer(fits, buffer, 24));
    EXPECT_STREQ(buffer, "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(buffer[24], '#');
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(copyToBuffer(tooLong, buffer, 24));
    for (char c : buffer) EXPECT_EQ(c, '#');
    EXPECT_FALSE(copyToBuffer(nullptr, buffer, 24));
    EXPECT_FALSE(copyToBuffer(fits, nullptr, 24));
    CFRelease(fits);
    CFRelease(tooLong);
}

TEST(ValueTypes, ArraysOwnCopiesOfTheirStrings)
{
    destroyed = 0;
    const char* texts[] = {"1/1", "1/2", "1/4", "1/8", "1/16", "1/32"};
    CFString* given[6];
    for (int i = 0; i < 6; ++i) {
        given[i] = new CountedString(texts[i]);
        CFRetain(given[i]);
    }
    CFArray* array = makeArray(given, 6);
    EXPECT_EQ(array->retainCount(), 1);
    ASSERT_EQ(array->count(), 6);
    for (int i = 0; i < 6; ++i) {
        auto* element = static_cast<CFString*>(array->at(i));
        EXPECT_NE(element, given[i]);
        EXPECT_STREQ(element->text(), texts[i]);
        EXPECT_EQ(element->retainCount(), 1);
        EXPECT_EQ(given[i]->retainCount(), 1);
    }
    EXPECT_EQ(array->at(6), nullptr);
    EXPECT_EQ(array->at(-1), nullptr);

    // Another holder of an element keeps it alive past the array.
    CFType* kept = array->at(2);
    CFRetain(kept);
    CFRelease(array);
    EXPECT_EQ(kept->retainCount(), 1);
    EXPECT_STREQ(static_cast<CFString*>(kept)->text(), "1/4");
    CFRelease(kept);

    EXPECT_EQ(destroyed, 0);  // the copies are plain strings; the given ones survive
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(given[i]->text(), texts[i]);
    for (CFString* s : given) CFRelease(s);
    EXPECT_EQ(destroyed, 6);
}
