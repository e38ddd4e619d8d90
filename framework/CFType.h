// Reference-counted values passed between the effect and its callers.
//
// Protocol: whoever makes a value for a caller hands over one reference; the
// caller releases it when done. Counts are plain integers, so one value is
// retained and released on one thread at a time.
#pragma once

#include <cstdint>

class CFType
{
public:
    CFType() = default;
    CFType(const CFType&) = delete;
    CFType& operator=(const CFType&) = delete;
    virtual ~CFType() = default;

    int32_t retainCount() const { return count_; }

private:
    friend void CFRetain(CFType* value);
    friend void CFRelease(CFType* value);
    int32_t count_ = 0;
};

// Null is accepted and ignored by both.
void CFRetain(CFType* value);
// Destroys the value when the count reaches 0.
void CFRelease(CFType* value);
