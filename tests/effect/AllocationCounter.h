// Counts the allocations made through operator new while counting is on.
// The replacement operators live in AllocationCounter.cpp and serve the
// whole test program.
#pragma once

namespace allocation_counter {
void start();
long stop();  // allocations since start()
}  // namespace allocation_counter
