// Work shared out over threads. Each task writes its own result by its index,
// so the results do not depend on how many threads there are or on which
// thread ran which task. Every thread, the calling one too, runs its tasks at
// the car's extended precision (UseExtendedPrecision).
#pragma once

#include <cstddef>
#include <functional>

#include "studies/for_each_index.h"

namespace ormakin::cli {

// The number of threads for `jobs`: itself, or one per processor for 0.
int JobCount(int jobs);

// Runs task(i) once for every i from 0 to count - 1 on `jobs` threads, the
// calling thread among them, and returns when all have ended. The calling
// thread calls `progress` with the number of tasks done so far after each of
// its own tasks. When tasks or `progress` raise, the first exception is raised again here
// once every thread has ended; the tasks not yet begun are then skipped.
void ParallelFor(std::size_t count, int jobs, const std::function<void(std::size_t)>& task,
                 const std::function<void(std::size_t)>& progress = {});

// ParallelFor on `jobs` threads as a runner for the studies.
studies::ForEachIndex PoolRunner(int jobs);

}  // namespace ormakin::cli
