// parfelle-host: render audio through a VST 2.4 plug-in, list what it
// offers, time it, or open its editor. See parfelle-host --help.
#include <iostream>
#include <string>
#include <vector>

#include "platform/ProcessInfo.h"
#include "tools/HostCommand.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    host::HostStreams streams{std::cout, std::cerr};
    if (platform::standardErrorIsTerminal()) {
        streams.progress = &std::cerr;
        streams.progressColumns = platform::terminalColumns();
    }
    return host::runHost(arguments, streams);
}
