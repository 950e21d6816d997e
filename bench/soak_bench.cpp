// Soak: one million ticks, each with its frame, as a long run in the window
// would make them. Memory must not grow: the resident set is sampled along
// the way and its growth after the first 10000 frames is reported.
// Not part of `make bench` (it takes minutes); run it with `make soak`.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "core/window/trace_map.h"
#include "support/recording_platform.h"
#include "support/ring_scenario.h"

namespace {

using namespace ormakin;

// Resident set size now, in KiB.
long ResidentKilobytes() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
      resident = 0;
    }
    std::fclose(f);
  }
  return resident * 4;
}

void BM_SoakMillionFrames(benchmark::State& state) {
  const long ticks = state.range(0);
  testing::RecordingPlatform platform;
  testing::RingScenario ring(platform);
  TTraceMap& map = ring.Map();

  long settled = 0;
  long highest = 0;
  for (auto _ : state) {
    for (long tick = 1; tick <= ticks; ++tick) {
      if (!map.Car->Step()) {
        state.SkipWithError("the car stopped");
        return;
      }
      map.Redraw();
      if (tick == 10000) {
        settled = ResidentKilobytes();
      }
      if (tick % 10000 == 0) {
        highest = std::max(highest, ResidentKilobytes());
      }
    }
  }
  state.counters["rss_after_10k_kib"] = static_cast<double>(settled);
  state.counters["rss_highest_kib"] = static_cast<double>(highest);
  state.counters["rss_growth_kib"] = static_cast<double>(highest - settled);
  state.counters["frames"] = static_cast<double>(ticks);
}
BENCHMARK(BM_SoakMillionFrames)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
