#include <cstdlib>

#include "platform/SystemServices.h"

namespace platform {

std::string systemFontPath()
{
    const char* windir = std::getenv("WINDIR");
    return std::string(windir ? windir : "c:\\windows") + "\\fonts\\" + "tahoma.ttf";
}

}  // namespace platform
