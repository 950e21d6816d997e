// Ticks per second of TCar::Step on a 500 x 400 course, probing through the
// main window's IsOnLine as a run does.
#include <benchmark/benchmark.h>

#include <memory>

#include "course_builder.h"
#include "recording_platform.h"
#include "temp_dir.h"
#include "trace_map.h"

namespace {

using namespace ormakin;

void BM_Step(benchmark::State& state) {
  testing::TempDir dir;
  testing::RecordingPlatform platform;
  dir.WriteFile("ormakin.ini", testing::FollowerSettings(400, 200));
  TTraceMap map(platform, dir.PathOf("ormakin.ini"));
  map.Create();
  platform.fileChoices.push_back(dir.WriteFile(
      "ring.bmp", testing::LineCourseBmp(500, 400, testing::Ring(250, 200, 150, 1.5))));
  map.Dispatch(&TTraceMap::Open1Click);
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.Car->Step());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["ticks_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Step);

}  // namespace

BENCHMARK_MAIN();
