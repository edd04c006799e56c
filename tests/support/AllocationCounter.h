#pragma once
// Counts operator new calls while counting is on, so that tests can show that
// rendering or painting allocates nothing. Linked into a test program, it
// replaces the global allocation functions (they forward to malloc and free).

namespace allocationcounter {
void start();
// Counts only the calling thread's allocations (an audio thread's, while
// another thread does work that may allocate), until stop.
void startOnThisThread();
// Stops counting; answers the allocations since start.
int stop();
} // namespace allocationcounter
