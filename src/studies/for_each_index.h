// How a study spreads independent pieces of work: a runner calls task(i)
// once for every i from 0 to count - 1 and returns when all have ended. Each
// task writes its own result by its index, so what a study finds does not
// depend on the runner: the tool passes its job pool, a page runs serially.
#pragma once

#include <cstddef>
#include <functional>

namespace ormakin::studies {

// `progress`, when given, is called now and then with the number of tasks
// done so far, and with `count` at the end. A task that raises ends the run:
// the exception leaves the runner once no task is running any more.
using ForEachIndex =
    std::function<void(std::size_t count, const std::function<void(std::size_t)>& task,
                       const std::function<void(std::size_t)>& progress)>;

// Runs the tasks one after the other on the calling thread, in index order,
// at the car's extended precision (UseExtendedPrecision), reporting progress
// after each.
void RunSerially(std::size_t count, const std::function<void(std::size_t)>& task,
                 const std::function<void(std::size_t)>& progress);

// A runner that is RunSerially.
ForEachIndex SerialRunner();

}  // namespace ormakin::studies
