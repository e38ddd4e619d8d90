#include "framework/CFType.h"

void CFRetain(CFType* value)
{
    if (value) ++value->count_;
}

void CFRelease(CFType* value)
{
    if (value && --value->count_ <= 0) delete value;
}
