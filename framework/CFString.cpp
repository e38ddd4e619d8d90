#include "framework/CFString.h"

#include <cstring>
#include <map>
#include <mutex>

namespace {

// Cached strings live until the library is unloaded; the cache then gives
// back the one reference it holds on each.
class StringCache
{
public:
    ~StringCache()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : strings_) CFRelease(entry.second);
        strings_.clear();
    }

    CFString* get(const char* text)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = strings_.find(text);
        if (found != strings_.end()) return found->second;
        CFString* string = new CFString(text);
        CFRetain(string);
        strings_.emplace(text, string);
        return string;
    }

private:
    std::mutex mutex_;
    std::map<const char*, CFString*> strings_;
};

StringCache& cache()
{
    static StringCache instance;
    return instance;
}

}  // namespace

CFString* makeString(const char* text) { return new CFString(text); }

CFString* constantString(const char* text) { return text ? cache().get(text) : nullptr; }

bool copyToBuffer(const CFString* string, char* buffer, int size)
{
    if (!string || !buffer || size <= 0) return false;
    const size_t needed = string->length() + 1;
    if (needed > static_cast<size_t>(size)) return false;
    std::memcpy(buffer, string->text(), needed);
    return true;
}
