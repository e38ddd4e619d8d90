// The "info" listing: who the plug-in says it is, its record, its
// parameters and its programs.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace host {

class PluginHost;

// Writes the listing for a loaded and opened plug-in.
void printPluginInfo(PluginHost& host, std::ostream& out);

// "'VstP' (1450406992)" when all four bytes are printable, else the number.
std::string describeFourCC(int32_t code);
// The flags' names in bit order, with any unknown bits in hexadecimal.
std::string describeEffectFlags(int32_t flags);
const char* categoryName(intptr_t category);

}  // namespace host
