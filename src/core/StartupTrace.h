#pragma once

// With HALVORN_STARTUP_TRACE set, each start-up step writes its elapsed time
// to stderr, so a benchmark can see where start-up goes. A numeric value is
// the launcher's CLOCK_MONOTONIC reading in nanoseconds, taken just before
// it started the program: times then count from the launch, not from main.
void TraceStartupStep(const char* step);
