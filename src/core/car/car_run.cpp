#include "core/car/car_run.h"

#include <string>

#include "core/base/shortest_text.h"
#include "core/extended/precision_control.h"

namespace ormakin {

namespace {

std::string MaskText(std::int32_t mask) {
  static const char* const kTexts[kMaskCount] = {"no sensor on the line",
                                                 "left sensor on the line",
                                                 "right sensor on the line",
                                                 "left and right sensors on the line",
                                                 "centre sensor on the line",
                                                 "left and centre sensors on the line",
                                                 "right and centre sensors on the line",
                                                 "all three sensors on the line"};
  return kTexts[mask];
}

}  // namespace

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

std::string StopReason(const TCar& car, std::uint64_t tick, std::int32_t state, std::int32_t mask) {
  std::string text = "stop: tick " + std::to_string(tick) + ", ";
  if (!HasRow(state) || mask < 0 || mask >= kMaskCount) {
    // No rule moved the car: it was stopped before the run.
    return text + "state " + std::to_string(car.State()) + " has no rules";
  }
  const std::string key = RuleKey(state, mask);
  text += "state " + std::to_string(state) + ", mask " + std::to_string(mask) + " (" +
          MaskText(mask) + "), ";
  const TStateRule& rule = car.Rule(state, mask);
  if (!car.Settings().ruleSet[state - 1][mask]) {
    return text + "rule " + key + " is not set in the settings";
  }
  if (rule.NextState == 0) {
    return text + "rule " + key + "=" + ShortestText(rule.Turn) + "," + ShortestText(rule.Advance) +
           ",0 sends the car to state 0";
  }
  return text + "state " + std::to_string(rule.NextState) + " has no rules (from rule " + key + ")";
}

}  // namespace ormakin
