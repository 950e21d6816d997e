// What a run tells those who watch it, tick by tick.
#pragma once

#include <cstdint>

namespace ormakin {

class TCar;

struct TickReport {
  std::uint64_t tick;         // 1 for the run's first tick
  std::int32_t appliedState;  // the state whose rule the tick applied
  std::int32_t mask;          // the mask the tick probed, which chose the rule
  const TCar& car;            // the car after the tick
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The car at its placement, before the first tick (tick 0).
  virtual void Placed(const TCar& car) = 0;
  // After each tick that moved the car on (not for a stopped car's Step).
  virtual void Ticked(const TickReport& tick) = 0;
};

}  // namespace ormakin
