#pragma once

// An opt-in trace of where a run's time goes, for the benches: in a build made with QU_TRACE (never
// a program we ship, which runs elevated and must not write where the user's environment says),
// when the environment variable QU_TRACE names a file at the program's start, every phase of a
// run, every action line (as it reaches the list) and every batch of lines the list takes is
// written there as "<milliseconds since start> <event>". Off otherwise: each call costs a flag test.
void TraceEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));

// An event that also carries "cpu=<milliseconds>": the processor time the whole machine has spent
// since the trace began, on every core and in every process (the system's file work is done partly
// outside the program). Between two such events it says how busy the cores were, not only how long
// the program waited.
void TraceWithMachineTime(const char* event);
