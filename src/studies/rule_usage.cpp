#include "studies/rule_usage.h"

#include <algorithm>

namespace ormakin::studies {

namespace {

// `text` right-aligned in `width` characters.
std::string RightAligned(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

}  // namespace

char RuleUsage::Mark(const CarSettings& car, int state, int mask) const {
  const bool applied = Applied(state, mask) != 0;
  const bool isSet =
      car.ruleSet[static_cast<std::size_t>(state - 1)][static_cast<std::size_t>(mask)];
  if (!applied) {
    return isSet ? 'N' : '.';
  }
  return isSet ? ' ' : 'E';
}

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
      const char mark = Mark(car, s, m);
      if (mark == '.') {
        table += " " + RightAligned(".", width) + " ";
      } else {
        table += " " + RightAligned(std::to_string(Applied(s, m)), width) + mark;
      }
    }
    table += "\n";
  }
  return table;
}

}  // namespace ormakin::studies
