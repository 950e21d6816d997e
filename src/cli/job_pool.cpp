#include "cli/job_pool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "core/extended/precision_control.h"

namespace ormakin::cli {

int JobCount(int jobs) {
  if (jobs > 0) {
    return jobs;
  }
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void ParallelFor(std::size_t count, int jobs, const std::function<void(std::size_t)>& task,
                 const std::function<void(std::size_t)>& progress) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  std::mutex failureLock;

  auto work = [&](bool caller) {
    // A new thread need not start with the precision the car computes at.
    UseExtendedPrecision();
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count || failed.load()) {
        return;
      }
      // A progress callback that raises ends the work as a task that raises
      // does: the exception must not leave while the helpers still run.
      try {
        task(i);
        const std::size_t finished = done.fetch_add(1) + 1;
        if (caller && progress) {
          progress(finished);
        }
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) {
          failure = std::current_exception();
        }
        failed.store(true);
        return;
      }
    }
  };

  const auto helpers = std::min<std::size_t>(static_cast<std::size_t>(JobCount(jobs)) - 1, count);
  std::vector<std::thread> threads;
  threads.reserve(helpers);
  auto joinAll = [&] {
    for (std::thread& thread : threads) {
      thread.join();
    }
  };
  try {
    for (std::size_t t = 0; t < helpers; ++t) {
      threads.emplace_back(work, false);
    }
  } catch (...) {
    // No thread to be had: the ones started end at their next task.
    failed.store(true);
    joinAll();
    throw;
  }
  work(true);
  joinAll();
  if (failure) {
    std::rethrow_exception(failure);
  }
  if (progress) {
    progress(count);
  }
}

studies::ForEachIndex PoolRunner(int jobs) {
  return [jobs](std::size_t count, const std::function<void(std::size_t)>& task,
                const std::function<void(std::size_t)>& progress) {
    ParallelFor(count, jobs, task, progress);
  };
}

}  // namespace ormakin::cli
