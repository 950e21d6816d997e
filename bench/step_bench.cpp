// Ticks per second of TCar::Step on a 500 x 400 course, probing through the
// main window's IsOnLine as a run does, beside the floor of its arithmetic:
// the three extended-precision sines and cosines that a tick computes (the
// two side sensors' offset angles to probe, the new heading to move and to
// probe along at the next tick), which dominate its cost.
//
// Where Extended is the x87's long double, the program holds a second copy
// of the core built with SoftExtended (bench/CMakeLists.txt compiles this
// file into it once more, with ORMAKIN_STEP_BENCH_SOFT), and its Step runs
// beside the hardware one, the repetitions of the two interleaved
// (interleaved_main.cpp).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/extended/sine_cosine.h"
#include "core/window/trace_map.h"
#include "support/course_builder.h"
#include "support/recording_platform.h"
#include "support/temp_dir.h"

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
  // A tick computes the three sines and cosines of its heading only when the
  // heading has changed since the tick before (the car keeps them while it
  // goes straight); the share of such ticks says how many calls a tick makes.
  std::int64_t turns = 0;
  double heading = map.Car->Direction();
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.Car->Step());
    turns += map.Car->Direction() != heading ? 1 : 0;
    heading = map.Car->Direction();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["ticks_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["turning_share"] =
      static_cast<double>(turns) /
      static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
}
#ifdef ORMAKIN_STEP_BENCH_SOFT
BENCHMARK(BM_Step)->Name("BM_Step<SoftExtended>");
#else
BENCHMARK(BM_Step);
#endif

#ifndef ORMAKIN_STEP_BENCH_SOFT
// The floor: the three SinCos of a tick on a heading that changes every
// tick, as the car's does, and nothing else (the heading's own pair comes
// from the Step before).
void BM_SinCosFloor(benchmark::State& state) {
  Extended direction = Extended(4.7);
  SineCosine h = SinCos(direction);
  for (auto _ : state) {
    const SineCosine left = SinCos(direction + kHalfPi);
    const SineCosine right = SinCos(direction - kHalfPi);
    direction = (h.sin + left.cos + right.sin) * Extended(1e-9) + Extended(0.01) + direction;
    if (direction > kTwoPi) {
      direction = direction - kTwoPi;
    }
    h = SinCos(direction);
    benchmark::DoNotOptimize(h);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["ticks_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SinCosFloor);
#endif

}  // namespace
