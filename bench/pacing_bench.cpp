// The pacing of a run: every tick is followed by a pause of 70 ms, so 100
// ticks take 100 x 70 ms plus the ticks' own work (step, frame, message
// processing). Reports the whole time and what each tick adds to its pause.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>

#include "core/window/trace_map.h"
#include "support/recording_platform.h"
#include "support/ring_scenario.h"

namespace {

using namespace ormakin;

// A platform that pauses for real, as the window does.
class SleepingPlatform : public testing::RecordingPlatform {
 public:
  void Pause(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

constexpr int kTicks = 100;

void BM_PacedRun(benchmark::State& state) {
  SleepingPlatform platform;
  testing::RingScenario ring(platform);
  TTraceMap& map = ring.Map();

  double seconds = 0;
  for (auto _ : state) {
    int ticks = 0;
    // The user chooses Stop during the 100th tick's message processing.
    platform.whenIdle = [&] {
      if (++ticks == kTicks) {
        map.Dispatch(&TTraceMap::N4Click);
      }
    };
    const auto start = std::chrono::steady_clock::now();
    map.Dispatch(&TTraceMap::N3Click);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
  }
  const double paused = kTicks * kPauseMilliseconds / 1000.0;
  state.counters["ticks"] = kTicks;
  state.counters["paused_ms"] = paused * 1000;
  state.counters["work_per_tick_us"] = (seconds - paused) / kTicks * 1e6;
}
BENCHMARK(BM_PacedRun)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
