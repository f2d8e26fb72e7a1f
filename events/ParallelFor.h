#pragma once
// Runs fn(0..n-1) on up to `threads` threads (0: one per core, 1: in order on
// the calling thread). Each index runs exactly once; the caller reads the
// results after the call, so the outcome does not depend on the schedule.
#include <functional>

void ParallelFor(int n, int threads, const std::function<void(int)>& fn);
int DefaultThreadCount();
