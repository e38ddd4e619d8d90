// The parfelle-host command line: parses the arguments and runs info,
// render, bench or editor. Kept apart from main() so tests can run it in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace host {

enum ExitCode : int
{
    kExitSuccess = 0,
    kExitFailure = 1,  // a file, the plug-in or a parameter let us down
    kExitUsage = 2,    // the command line itself is wrong
};

struct HostStreams
{
    std::ostream& out;
    std::ostream& err;
    // A terminal for the progress bar, or null when there is none.
    std::ostream* progress = nullptr;
    int progressColumns = 80;
};

// arguments excludes the program's name.
int runHost(const std::vector<std::string>& arguments, const HostStreams& streams);

std::string usageText();

}  // namespace host
