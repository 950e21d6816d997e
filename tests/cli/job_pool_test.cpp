// The job pool that sweep and tune share their runs out with.
#include "job_pool.h"

#include <gtest/gtest.h>

#include <vector>

#include "x87.h"

namespace ormakin::cli {
namespace {

#if ORMAKIN_HAS_X87
TEST(JobPool, EveryTaskRunsAtExtendedPrecision) {
  const std::uint16_t saved = X87ControlWord();
  // The calling thread at 53 bits, as Windows starts a thread.
  SetX87ControlWord(static_cast<std::uint16_t>((saved & ~0x0300) | 0x0200));
  std::vector<unsigned> precision(64, 0);
  ParallelFor(precision.size(), 4, [&](std::size_t i) { precision[i] = PrecisionControl(); });
  SetX87ControlWord(saved);
  for (std::size_t i = 0; i < precision.size(); ++i) {
    EXPECT_EQ(precision[i], 3u) << "task " << i;
  }
}
#endif

}  // namespace
}  // namespace ormakin::cli
