// CarRun: a car driven tick by tick over its course, the one loop behind the
// window's Start command and every run of the command-line tool.
//
// Use:
//   BitmapProbe course(bitmap);          // or any other LineProbe
//   TCar car(settings, course);
//   car.PlaceAtStart(start);
//   CarRun run(car);
//   run.Observe(hash);                   // optional RunObservers (trace, hash, ...)
//   run.SearchLoop(/*endThere=*/false);  // optional; costs nothing when not asked
//   const RunResult result = run.Run(5000);
//   if (result.stopped) puts(result.stopReason.c_str());
// Or drive it yourself with Tick(), as the window does between its frames.
// A run touches nothing but its car, the car's course and its observers, so
// runs of different cars on one read-only course may go on different threads
// (Run sets the calling thread's x87 precision first, see
// precision_control.h; a thread that only calls Tick must call
// UseExtendedPrecision itself).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/car/car.h"
#include "core/car/loop_detector.h"
#include "core/car/stop_reason.h"

namespace ormakin {

struct TickReport {
  std::uint64_t tick;         // 1 for the run's first tick
  std::int32_t appliedState;  // the state whose rule the tick applied
  std::int32_t mask;          // the fresh mask, which chose the rule
  const TCar& car;            // the car after the tick
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The car at its placement, before the first tick (tick 0).
  virtual void Placed(const TCar& car) = 0;
  // After each tick that moved the car on.
  virtual void Ticked(const TickReport& tick) = 0;
};

struct RunResult {
  std::uint64_t ticks = 0;  // ticks that moved the car on
  // The car is in state 0 or in a state without a row: it never moves again.
  bool stopped = false;
  std::string stopReason;        // when stopped: one line, see StopReason
  std::uint64_t loopPeriod = 0;  // with the loop search: the cycle's length, 0 for none
  std::uint64_t loopTick = 0;    // the tick on which the repetition was found
};

class CarRun {
 public:
  // The run starts from wherever the car stands now.
  explicit CarRun(TCar& car) : car_(car) {}

  // Each observer hears of every tick from now on, in the order added.
  void Observe(RunObserver& observer) { observers_.push_back(&observer); }

  // Looks for the car's state repeating, from where it stands now. With
  // `endThere`, Run ends on the tick that finds it.
  void SearchLoop(bool endThere);

  // One tick: the car's Step, then the reports. False when the car is
  // stopped; then nothing changed and nothing is reported.
  bool Tick();

  // Tells the observers of the placement, then ticks until the car stops,
  // `maxTicks` ticks have run or a loop ends the run.
  RunResult Run(std::uint64_t maxTicks);

  // The run so far.
  RunResult Result() const;
  // The loop search's cycle length so far, 0 for none (or no search): what a
  // caller that watches every tick needs, without a whole RunResult.
  std::uint64_t LoopPeriod() const { return loop_ ? loop_->Period() : 0; }

 private:
  TCar& car_;
  std::vector<RunObserver*> observers_;
  std::optional<LoopDetector> loop_;
  bool endAtLoop_ = false;
  std::uint64_t ticks_ = 0;
  std::uint64_t loopTick_ = 0;
  std::int32_t lastState_ = 0;  // the rule of the last tick: state and mask
  std::int32_t lastMask_ = 0;
};

// The part of the car's state that the loop search compares.
inline CarState CarStateOf(const TCar& car) {
  return CarState::Of(car.X(), car.Y(), car.Direction(), car.State());
}

}  // namespace ormakin
