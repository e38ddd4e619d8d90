#include "framework/CFArray.h"

CFArray::~CFArray()
{
    for (CFType* item : items_) CFRelease(item);
}

CFType* CFArray::at(int position) const
{
    if (position < 0 || position >= count()) return nullptr;
    return items_[static_cast<size_t>(position)];
}

void CFArray::append(CFType* value)
{
    items_.push_back(value);
    CFRetain(value);
}

CFArray* makeArray(CFString* const* strings, int count)
{
    CFArray* array = new CFArray;
    CFRetain(array);
    try {
        for (int i = 0; i < count; ++i) array->append(makeString(strings[i] ? strings[i]->text() : ""));
    } catch (...) {
        CFRelease(array);
        throw;
    }
    return array;
}
