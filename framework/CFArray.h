// An ordered list of values; the array holds one reference to each element.
#pragma once

#include <vector>

#include "framework/CFString.h"

class CFArray : public CFType
{
public:
    ~CFArray() override;

    int count() const { return static_cast<int>(items_.size()); }
    // The element at position, borrowed; null outside 0..count-1.
    CFType* at(int position) const;

    // Appends and retains the value.
    void append(CFType* value);

private:
    std::vector<CFType*> items_;
};

// A new array (one reference for the caller) of fresh copies of the given
// strings; the given strings are neither retained nor changed.
CFArray* makeArray(CFString* const* strings, int count);
