#include "tools/DefaultPlugin.h"

#include "platform/ProcessInfo.h"

namespace host {

const char* defaultPluginFileName() { return PARFELLE_PLUGIN_FILE; }

std::string defaultPluginPath()
{
    const std::string executable = platform::executablePath();
    const size_t slash = executable.find_last_of("/\\");
    if (slash == std::string::npos) return defaultPluginFileName();
    return executable.substr(0, slash + 1) + defaultPluginFileName();
}

}  // namespace host
