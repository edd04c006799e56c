#pragma once
// Counts operator new calls while counting is on, so that tests can show that
// rendering or painting allocates nothing. Linked into a test program, it
// replaces the global allocation functions (they forward to malloc and free).

namespace allocationcounter {
void start();
// Stops counting; answers the allocations since start.
int stop();
} // namespace allocationcounter
