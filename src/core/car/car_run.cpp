#include "core/car/car_run.h"

#include <string>

#include "core/extended/precision_control.h"

namespace ormakin {

void CarRun::SearchLoop(bool endThere) {
  loop_.emplace(CarStateOf(car_));
  endAtLoop_ = endThere;
}

bool CarRun::Tick() {
  const std::int32_t state = car_.State();
  if (!car_.Step()) {
    return false;
  }
  ++ticks_;
  lastState_ = state;
  lastMask_ = car_.SensorBits();
  if (!observers_.empty()) {
    const TickReport report{ticks_, state, lastMask_, car_};
    for (RunObserver* observer : observers_) {
      observer->Ticked(report);
    }
  }
  if (loop_ && loop_->Add(CarStateOf(car_))) {
    loopTick_ = ticks_;
  }
  return true;
}

RunResult CarRun::Run(std::uint64_t maxTicks) {
  // A run may be the first use of the car's arithmetic on this thread.
  UseExtendedPrecision();
  for (RunObserver* observer : observers_) {
    observer->Placed(car_);
  }
  while (ticks_ < maxTicks && Tick()) {
    if (endAtLoop_ && loopTick_ != 0) {
      break;
    }
  }
  return Result();
}

RunResult CarRun::Result() const {
  RunResult result;
  result.ticks = ticks_;
  // Also when the tick limit ended the run just before Step would have said
  // so.
  result.stopped = car_.Stopped();
  if (result.stopped) {
    result.stopReason = StopReason(car_, ticks_, lastState_, lastMask_);
  }
  if (loop_) {
    result.loopPeriod = LoopPeriod();
    result.loopTick = loopTick_;
  }
  return result;
}

}  // namespace ormakin
