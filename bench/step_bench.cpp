// Ticks per second of TCar::Step on a 500 x 400 course, probing through the
// main window's IsOnLine as a run does, beside the floor of its arithmetic:
// the four extended-precision sines and cosines that a tick needs (the
// heading and the two side sensors' offset angles to probe, the new heading
// to move), which dominate its cost.
#include <benchmark/benchmark.h>

#include <memory>

#include "course_builder.h"
#include "sine_cosine.h"
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

// The floor: four SinCos per tick on a heading that changes every tick, as
// the car's does, and nothing else.
void BM_SinCosFloor(benchmark::State& state) {
  Extended direction = 4.7L;
  for (auto _ : state) {
    const SineCosine h = SinCos(direction);
    const SineCosine left = SinCos(direction + kHalfPi);
    const SineCosine right = SinCos(direction - kHalfPi);
    direction += (h.sin + left.cos + right.sin) * 1e-9L + 0.01L;
    if (direction > kTwoPi) {
      direction -= kTwoPi;
    }
    const SineCosine heading = SinCos(direction);
    benchmark::DoNotOptimize(heading);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["ticks_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SinCosFloor);

}  // namespace

BENCHMARK_MAIN();
