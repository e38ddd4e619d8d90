#include <string>

#include "platform/SystemServices.h"
#include "platform/x11/LastError.h"
#include "platform/x11/ResourceTable.h"

namespace platform {

bool findResource(int type, int id, const unsigned char*& bytes, size_t& size)
{
    for (const EmbeddedResource* entry = embeddedResources; entry->bytes; ++entry)
        if (entry->type == type && entry->id == id) {
            bytes = entry->bytes;
            size = entry->size;
            return true;
        }
    setLastErrorText("The library holds no resource of type " + std::to_string(type) + " with id " +
                     std::to_string(id) + ".");
    return false;
}

}  // namespace platform
