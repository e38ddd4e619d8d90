#include "support/Wine.h"

#include <algorithm>

namespace support {

unsigned long newWindow(const std::vector<unsigned long>& before, const std::vector<unsigned long>& after,
                        std::string& error)
{
    std::vector<unsigned long> fresh;
    for (unsigned long id : after)
        if (std::find(before.begin(), before.end(), id) == before.end()) fresh.push_back(id);
    if (fresh.size() != 1) {
        error = "expected one new off-screen Wine window, found " + std::to_string(fresh.size());
        return 0;
    }
    return fresh[0];
}

}  // namespace support
