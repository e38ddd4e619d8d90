// Reference-counted values passed between the effect and its callers.
//
// Protocol: whoever makes a value for a caller hands over one reference; the
// caller releases it when done. The count is atomic: the cached constant
// strings are shared by every thread that asks for a value text (the host's
// threads and the editor's render thread), each retaining and releasing its
// own reference at the same time as the others.
#pragma once

#include <atomic>
#include <cstdint>

class CFType
{
public:
    CFType() = default;
    CFType(const CFType&) = delete;
    CFType& operator=(const CFType&) = delete;
    virtual ~CFType() = default;

    int32_t retainCount() const { return count_.load(std::memory_order_relaxed); }

private:
    friend void CFRetain(CFType* value);
    friend void CFRelease(CFType* value);
    std::atomic<int32_t> count_{0};
};

// Any thread. Null is accepted and ignored by both.
void CFRetain(CFType* value);
// Destroys the value when the count reaches 0.
void CFRelease(CFType* value);
