#include "run_summary.h"

#include <array>
#include <cinttypes>
#include <cstdio>

namespace ormakin::studies {

namespace {

std::string Number(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.17g", value);
  return text.data();
}

}  // namespace

std::string RunSummaryLine(const RunResult& result, std::uint64_t hash, const TCar& car) {
  std::array<char, 17> hex{};
  std::snprintf(hex.data(), hex.size(), "%016" PRIx64, hash);
  return "ticks=" + std::to_string(result.ticks) + " stopped=" + (result.stopped ? "yes" : "no") +
         " x=" + Number(car.X()) + " y=" + Number(car.Y()) +
         " direction=" + Number(car.Direction()) +
         " state=" + std::to_string(static_cast<int>(car.State())) +
         " loop_period=" + std::to_string(result.loopPeriod) + " hash=" + hex.data();
}

}  // namespace ormakin::studies
