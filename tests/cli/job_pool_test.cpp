// The job pool, in memory: every task once, failures passed on to the caller
// after every thread has ended, and progress told on the caller's thread.
#include "cli/job_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/extended/x87.h"

namespace ormakin::cli {
namespace {

constexpr std::size_t kTasks = 300;

TEST(JobPoolTest, RunsEveryTaskOnceAndTellsProgressOnTheCallersThreadOnly) {
  for (const int jobs : {1, 2, 4}) {
    std::vector<std::atomic<int>> runs(kTasks);
    std::vector<std::size_t> reported;
    std::vector<std::thread::id> reporters;
    ParallelFor(
        kTasks, jobs, [&](std::size_t i) { runs[i].fetch_add(1); },
        [&](std::size_t done) {
          // Not locked on purpose: a second thread here is a data race that
          // the sanitizers report, besides the check below.
          reported.push_back(done);
          reporters.push_back(std::this_thread::get_id());
        });
    for (std::size_t i = 0; i < kTasks; ++i) {
      ASSERT_EQ(runs[i].load(), 1) << "task " << i << " with " << jobs << " jobs";
    }
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), kTasks) << jobs << " jobs";
    for (std::size_t k = 1; k < reported.size(); ++k) {
      EXPECT_LE(reported[k - 1], reported[k]) << jobs << " jobs";
    }
    for (const std::thread::id reporter : reporters) {
      EXPECT_EQ(reporter, std::this_thread::get_id()) << jobs << " jobs";
    }
  }
}

// Whatever raises, a task on any thread or the progress callback on the
// caller's, the exception reaches the caller once the helpers have ended:
// leaving earlier would destroy threads still joinable and end the program.
TEST(JobPoolTest, PassesOnTheExceptionOfATaskOrOfTheProgressCallback) {
  struct Case {
    const char* name;
    bool taskRaises;
    bool progressRaises;
  };
  for (const Case c : {Case{"task", true, false}, Case{"progress", false, true}}) {
    for (const int jobs : {1, 2, 4}) {
      auto task = [&](std::size_t i) {
        if (c.taskRaises && i == 17) {
          throw std::runtime_error("task 17 failed");
        }
      };
      auto progress = [&](std::size_t) {
        if (c.progressRaises) {
          throw std::runtime_error("progress failed");
        }
      };
      try {
        ParallelFor(kTasks, jobs, task, progress);
        ADD_FAILURE() << c.name << ", " << jobs << " jobs: nothing raised";
      } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), c.taskRaises ? "task 17 failed" : "progress failed")
            << jobs << " jobs";
      }
    }
  }
}

#if ORMAKIN_HAS_X87
// The calling thread runs tasks too: with one job it runs them all, and a
// pool that set the precision on its helpers only would fail here.
TEST(JobPoolTest, EveryTaskRunsAtExtendedPrecisionTheCallersToo) {
  const std::uint16_t saved = X87ControlWord();
  for (const int jobs : {1, 4}) {
    // The calling thread at 53 bits, as Windows starts a thread.
    SetX87ControlWord(static_cast<std::uint16_t>((saved & ~0x0300) | 0x0200));
    std::vector<unsigned> precision(64, 0);
    std::vector<std::thread::id> ranOn(precision.size());
    ParallelFor(precision.size(), jobs, [&](std::size_t i) {
      precision[i] = PrecisionControl();
      ranOn[i] = std::this_thread::get_id();
    });
    SetX87ControlWord(saved);
    for (std::size_t i = 0; i < precision.size(); ++i) {
      EXPECT_EQ(precision[i], 3u) << "task " << i << " with " << jobs << " jobs";
      if (jobs == 1) {
        EXPECT_EQ(ranOn[i], std::this_thread::get_id()) << "task " << i;
      }
    }
  }
}
#endif

}  // namespace
}  // namespace ormakin::cli
