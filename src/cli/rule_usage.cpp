#include "rule_usage.h"

#include <string>

namespace ormakin::cli {

void RuleUsage::Print(std::FILE* out, const CarSettings& car) const {
  std::size_t width = 1;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      width = std::max(width, std::to_string(Applied(s, m)).size());
    }
  }
  std::fprintf(out,
               "rules applied (ticks per state and sensor mask; E: applied although empty, it "
               "stops the car; N: set but never applied; .: neither):\n");
  // Each cell: the count right-aligned, then one marker character.
  const int digits = static_cast<int>(width);
  std::fprintf(out, "state");
  for (int m = 0; m < kMaskCount; ++m) {
    std::fprintf(out, " %*d ", digits, m);
  }
  std::fprintf(out, "\n");
  for (int s = 1; s <= kStateCount; ++s) {
    std::fprintf(out, "%5d", s);
    for (int m = 0; m < kMaskCount; ++m) {
      const std::uint64_t n = Applied(s, m);
      const bool isSet = car.ruleSet[s - 1][m];
      if (n == 0 && !isSet) {
        std::fprintf(out, " %*s ", digits, ".");
      } else {
        const char marker = n == 0 ? 'N' : (isSet ? ' ' : 'E');
        std::fprintf(out, " %*s%c", digits, std::to_string(n).c_str(), marker);
      }
    }
    std::fprintf(out, "\n");
  }
}

}  // namespace ormakin::cli
