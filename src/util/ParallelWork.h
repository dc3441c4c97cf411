#pragma once

#include <cstddef>
#include <functional>

// How many threads a piece of work that waits on the disk may share out over: the machine's
// cores, at most 4.
unsigned CountWorkThreads();

// Calls work(i) for every i below count, on the calling thread and up to CountWorkThreads() - 1
// more, and returns once every call has returned. Each index is worked on once; the calls must
// not depend on one another. A call that throws starts no more calls; its exception is thrown
// again here, once every thread is done.
void DoInParallel(size_t count, const std::function<void(size_t)>& work);
