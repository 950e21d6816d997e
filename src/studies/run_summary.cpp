#include "studies/run_summary.h"

#include <array>
#include <cinttypes>
#include <cstdio>

#include "studies/number_text.h"

namespace ormakin::studies {

std::string RunSummaryLine(const RunResult& result, std::uint64_t hash, const TCar& car) {
  std::array<char, 17> hex{};
  std::snprintf(hex.data(), hex.size(), "%016" PRIx64, hash);
  return "ticks=" + std::to_string(result.ticks) + " stopped=" + (result.stopped ? "yes" : "no") +
         " x=" + ExactText(car.X()) + " y=" + ExactText(car.Y()) +
         " direction=" + ExactText(car.Direction()) +
         " state=" + std::to_string(static_cast<int>(car.State())) +
         " loop_period=" + std::to_string(result.loopPeriod) + " hash=" + hex.data();
}

}  // namespace ormakin::studies
