#pragma once

// An opt-in trace of where a run's time goes: when the environment variable QU_TRACE names a
// file at the program's start, every phase of a run, every action line (as it reaches the list)
// and every batch of lines the list takes is written there as "<milliseconds since start>
// <event>". Off by default, and then each call costs a flag test.
void TraceEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));
