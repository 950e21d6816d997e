// How often each rule of the controller was applied during a run.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "car.h"
#include "ini_file.h"

namespace ormakin::cli {

class RuleUsage {
 public:
  // One tick applied the rule of `state` (1 to 20) and `mask` (0 to 7).
  void Count(std::int32_t state, std::int32_t mask) {
    ++counts_[static_cast<std::size_t>(state - 1)][static_cast<std::size_t>(mask)];
  }

  std::uint64_t Applied(int state, int mask) const {
    return counts_[static_cast<std::size_t>(state - 1)][static_cast<std::size_t>(mask)];
  }

  // Prints the 20 x 8 table: ticks per rule, "E" after a rule that was
  // applied although the file gives it no usable value (it stops the car),
  // "N" after a rule that the file sets but that never fired, "." for a rule
  // neither set nor applied. Which rules are set is read from `settings`.
  void Print(std::FILE* out, const TCustomIniFile& settings) const;

 private:
  std::array<std::array<std::uint64_t, kMaskCount>, kStateCount> counts_{};
};

}  // namespace ormakin::cli
