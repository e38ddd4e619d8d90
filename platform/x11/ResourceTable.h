// The library's resources on Linux: the files the Windows resource script
// names, compiled in as arrays by the build (cmake/EmbedResources.cmake),
// keyed by the same type and id.
#pragma once

#include <cstddef>

namespace platform {

struct EmbeddedResource
{
    int type;
    int id;
    const unsigned char* bytes;
    size_t size;
};

// Ends with an entry whose bytes are null.
extern const EmbeddedResource embeddedResources[];

}  // namespace platform
