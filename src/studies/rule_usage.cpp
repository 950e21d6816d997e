#include "studies/rule_usage.h"

#include <algorithm>

namespace ormakin::studies {

namespace {

// `text` right-aligned in `width` characters.
std::string RightAligned(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

}  // namespace

std::string RuleUsage::Table(const CarSettings& car) const {
  std::size_t width = 1;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      width = std::max(width, std::to_string(Applied(s, m)).size());
    }
  }
  std::string table =
      "rules applied (ticks per state and sensor mask; E: applied although empty, it "
      "stops the car; N: set but never applied; .: neither):\n";
  // Each cell: the count right-aligned, then one marker character.
  table += "state";
  for (int m = 0; m < kMaskCount; ++m) {
    table += " " + RightAligned(std::to_string(m), width) + " ";
  }
  table += "\n";
  for (int s = 1; s <= kStateCount; ++s) {
    table += RightAligned(std::to_string(s), 5);
    for (int m = 0; m < kMaskCount; ++m) {
      const std::uint64_t n = Applied(s, m);
      const bool isSet = car.ruleSet[s - 1][m];
      if (n == 0 && !isSet) {
        table += " " + RightAligned(".", width) + " ";
      } else {
        const char marker = n == 0 ? 'N' : (isSet ? ' ' : 'E');
        table += " " + RightAligned(std::to_string(n), width) + marker;
      }
    }
    table += "\n";
  }
  return table;
}

}  // namespace ormakin::studies
