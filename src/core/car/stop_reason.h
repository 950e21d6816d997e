// Why a stopped car stopped: a code and the values that explain it, and the
// one line every program prints for it.
#pragma once

#include <cstdint>
#include <string>

#include "core/car/car.h"

namespace ormakin {

struct StopCause {
  enum class Code {
    NoRules,    // no rule moved the car: it stood in a state without rules
    NotSet,     // the rule of `state` and `mask` is not set in the settings
    ToZero,     // the rule sends the car to state 0
    NoRowNext,  // the rule sends the car to a state that has no rules
  };
  Code code = Code::NoRules;
  std::uint64_t tick = 0;  // the ticks run until the stop
  // NoRules: the car's state; otherwise the state whose rule the last tick
  // applied.
  std::int32_t state = 0;
  std::int32_t mask = -1;  // the mask of the last tick; -1 for NoRules
  TStateRule rule{};       // the rule the last tick applied (not for NoRules)
};

// The cause for a stopped car whose last tick, tick `tick`, applied the rule
// of `state` and `mask` (any other state or mask: no rule moved it).
StopCause StopCauseOf(const TCar& car, std::uint64_t tick, std::int32_t state, std::int32_t mask);

// The cause as one line: "stop: tick T, state S, mask M (...), " and then
// what the rule did: it is not set, it sends the car to state 0, or the state
// it sends the car to has no rules.
std::string StopReasonText(const StopCause& cause);

inline std::string StopReason(const TCar& car, std::uint64_t tick, std::int32_t state,
                              std::int32_t mask) {
  return StopReasonText(StopCauseOf(car, tick, state, mask));
}

}  // namespace ormakin
