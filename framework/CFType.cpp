#include "framework/CFType.h"

void CFRetain(CFType* value)
{
    // A new reference is always made from one the caller holds: no ordering needed.
    if (value) value->count_.fetch_add(1, std::memory_order_relaxed);
}

void CFRelease(CFType* value)
{
    // The last release must see every other holder's use of the value done.
    if (value && value->count_.fetch_sub(1, std::memory_order_acq_rel) <= 1) delete value;
}
