#include "core/car/car_run.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "core/car/bitmap_probe.h"
#include "core/draw/canvas.h"

namespace ormakin {
namespace {

// Every report, as (tick, applied state, mask).
struct Recorder : RunObserver {
  void Placed(const TCar& car) override { placedAt = car.Y(); }
  void Ticked(const TickReport& tick) override {
    ticks.emplace_back(tick.tick, tick.appliedState, tick.mask);
  }
  double placedAt = -1;
  std::vector<std::tuple<std::uint64_t, std::int32_t, std::int32_t>> ticks;
};

TEST(CarRun, DrivesACarFromSettingsInMemoryOverABitmap) {
  // A vertical line at x = 19..21 down a 40 x 60 course; two states that
  // take turns while the centre sees the line.
  TBitmap course(40, 60, clWhite);
  TCanvas canvas(course);
  canvas.SetBrushColor(clBlack);
  canvas.FillRect({19, 0, 22, 60});
  CarSettings settings;
  settings.rules[0][kCentreSensor] = {2, 0.0, 1.0};
  settings.rules[1][kCentreSensor] = {1, 0.0, 1.0};
  settings.ruleSet[0][kCentreSensor] = settings.ruleSet[1][kCentreSensor] = true;
  BitmapProbe probe(course);
  TCar car(settings, probe);
  car.PlaceAtStart({20, 5});

  CarRun run(car);
  Recorder recorder;
  run.Observe(recorder);
  const RunResult result = run.Run(1000);
  EXPECT_EQ(recorder.placedAt, 5.0);
  EXPECT_EQ(result.ticks, 46u);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.stopReason,
            "stop: tick 46, state 2, mask 0 (no sensor on the line), rule 2-0 is not set in the "
            "settings");
  ASSERT_EQ(recorder.ticks.size(), 46u);
  EXPECT_EQ(recorder.ticks[0], std::make_tuple(1u, 1, kCentreSensor));
  EXPECT_EQ(recorder.ticks[1], std::make_tuple(2u, 2, kCentreSensor));
  EXPECT_EQ(recorder.ticks.back(), std::make_tuple(46u, 2, 0));
  // A stopped car ticks no more and is not reported again.
  EXPECT_FALSE(run.Tick());
  EXPECT_EQ(recorder.ticks.size(), 46u);
}

TEST(CarRun, LoopSearchEndsTheRunOnlyWhenAsked) {
  TBitmap course(10, 10, clWhite);
  BitmapProbe probe(course);
  CarSettings settings;
  settings.rules[0][0] = {1, 0.0, 0.0};  // stands still for ever
  for (const bool endThere : {false, true}) {
    TCar car(settings, probe);
    CarRun run(car);
    run.SearchLoop(endThere);
    const RunResult result = run.Run(50);
    EXPECT_EQ(result.loopPeriod, 1u);
    EXPECT_EQ(result.loopTick, 1u);
    EXPECT_EQ(result.ticks, endThere ? 1u : 50u);
    EXPECT_FALSE(result.stopped);
    EXPECT_TRUE(result.stopReason.empty());
  }
}

}  // namespace
}  // namespace ormakin
