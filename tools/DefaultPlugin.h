// Where the host finds the Parfelle plug-in when none is named: the build
// puts the two side by side.
#pragma once

#include <string>

namespace host {

// The plug-in's file name on this system (Parfelle.so, Parfelle.dll).
const char* defaultPluginFileName();

// That file in the folder of the running executable.
std::string defaultPluginPath();

}  // namespace host
