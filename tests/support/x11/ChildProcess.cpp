#include "support/ChildProcess.h"

#include <sys/wait.h>

#include <cstdlib>

namespace support {

const char* childLeakOptions()
{
#if defined(__SANITIZE_ADDRESS__)
    return "ASAN_OPTIONS=detect_leaks=0";
#else
    return nullptr;
#endif
}

int runCommand(const std::string& line)
{
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace support
