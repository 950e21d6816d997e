// How often each rule of the controller was applied during a run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/car/car.h"
#include "core/car/car_run.h"

namespace ormakin::studies {

class RuleUsage : public RunObserver {
 public:
  void Placed(const TCar&) override {}
  void Ticked(const TickReport& tick) override {
    ++counts_[static_cast<std::size_t>(tick.appliedState - 1)][static_cast<std::size_t>(tick.mask)];
  }

  std::uint64_t Applied(int state, int mask) const {
    return counts_[static_cast<std::size_t>(state - 1)][static_cast<std::size_t>(mask)];
  }

  // The mark of a rule: ' ' for a rule set and applied, 'E' for one applied although the file
  // gives it no usable value (it stops the car), 'N' for one set but never applied, '.' for one
  // neither set nor applied. Which rules are set is what `car` was built with.
  char Mark(const CarSettings& car, int state, int mask) const;

  // The 20 x 8 table, with a heading, one line each ending in "\n": ticks per rule followed by its
  // Mark, or "." alone for a rule neither set nor applied.
  std::string Table(const CarSettings& car) const;

 private:
  std::array<std::array<std::uint64_t, kMaskCount>, kStateCount> counts_{};
};

}  // namespace ormakin::studies
