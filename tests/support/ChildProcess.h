// Programs the tests start as processes of their own.
#pragma once

#include <string>

namespace support {

// A setting a child process must have first in its environment, or null.
// Under AddressSanitizer on Linux: no leak check, since the child lacks the
// connection that keeps Mesa loaded in the test program (SystemGL.cpp);
// what it runs is checked for leaks in-process by other tests.
const char* childLeakOptions();

// Runs a command line through the shell; its exit status, or -1 if it did
// not end normally.
int runCommand(const std::string& line);

}  // namespace support
