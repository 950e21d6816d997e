// RunTally: one run counted from the car's placement across the many CarRuns
// that drive it (the window starts a new one at every Start): the ticks, the
// loop search from the placement and the run's hash, so that the result is
// the one a single CarRun::Run over the same ticks gives, with its loop
// search and a TraceHash.
#pragma once

#include <cstdint>
#include <optional>

#include "core/car/car_run.h"
#include "core/car/loop_detector.h"
#include "core/car/trace_hash.h"

namespace ormakin {

class RunTally : public RunObserver {
 public:
  // Starts counting afresh.
  void Placed(const TCar& car) override {
    *this = RunTally();
    hash_.Placed(car);
    loop_.emplace(CarStateOf(car));
  }

  void Ticked(const TickReport& tick) override {
    if (!loop_) {
      return;  // never placed: there is no run to count
    }
    ++ticks_;
    hash_.Ticked(tick);
    if (loop_->Add(CarStateOf(tick.car))) {
      loopTick_ = ticks_;
    }
    lastState_ = tick.appliedState;
    lastMask_ = tick.mask;
  }

  // True once the car has been placed.
  bool Counting() const { return loop_.has_value(); }
  std::uint64_t Ticks() const { return ticks_; }
  std::uint64_t Hash() const { return hash_.Value(); }

  // The run so far, as CarRun::Result gives it with the loop search on;
  // `car` is the car that was placed.
  RunResult Result(const TCar& car) const {
    RunResult result;
    result.ticks = ticks_;
    result.stopped = car.Stopped();
    if (result.stopped) {
      result.stopReason = StopReason(car, ticks_, lastState_, lastMask_);
    }
    result.loopPeriod = loop_ ? loop_->Period() : 0;
    result.loopTick = loopTick_;
    return result;
  }

 private:
  TraceHash hash_;
  std::optional<LoopDetector> loop_;
  std::uint64_t ticks_ = 0;
  std::uint64_t loopTick_ = 0;
  std::int32_t lastState_ = 0;
  std::int32_t lastMask_ = 0;
};

}  // namespace ormakin
