#include "support/Wine.h"

namespace support {

std::vector<unsigned long> wineOffscreenWindows(int, int, std::string& error)
{
    error = "not under Wine";
    return {};
}

bool importXWindow(unsigned long, const std::string&, std::string& error)
{
    error = "not under Wine";
    return false;
}

}  // namespace support
