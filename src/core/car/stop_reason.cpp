#include "core/car/stop_reason.h"

#include <string>

#include "core/base/shortest_text.h"

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

StopCause StopCauseOf(const TCar& car, std::uint64_t tick, std::int32_t state, std::int32_t mask) {
  StopCause cause;
  cause.tick = tick;
  if (!HasRow(state) || mask < 0 || mask >= kMaskCount) {
    cause.code = StopCause::Code::NoRules;
    cause.state = car.State();
    return cause;
  }
  cause.state = state;
  cause.mask = mask;
  cause.rule = car.Rule(state, mask);
  if (!car.Settings().ruleSet[state - 1][mask]) {
    cause.code = StopCause::Code::NotSet;
  } else if (cause.rule.NextState == 0) {
    cause.code = StopCause::Code::ToZero;
  } else {
    cause.code = StopCause::Code::NoRowNext;
  }
  return cause;
}

std::string StopReasonText(const StopCause& cause) {
  std::string text = "stop: tick " + std::to_string(cause.tick) + ", ";
  if (cause.code == StopCause::Code::NoRules) {
    return text + "state " + std::to_string(cause.state) + " has no rules";
  }
  const std::string key = RuleKey(cause.state, cause.mask);
  text += "state " + std::to_string(cause.state) + ", mask " + std::to_string(cause.mask) + " (" +
          MaskText(cause.mask) + "), ";
  switch (cause.code) {
    case StopCause::Code::NotSet:
      return text + "rule " + key + " is not set in the settings";
    case StopCause::Code::ToZero:
      return text + "rule " + key + "=" + ShortestText(cause.rule.Turn) + "," +
             ShortestText(cause.rule.Advance) + ",0 sends the car to state 0";
    default:
      return text + "state " + std::to_string(cause.rule.NextState) + " has no rules (from rule " +
             key + ")";
  }
}

}  // namespace ormakin
