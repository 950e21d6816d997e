#include "rule_usage.h"

#include <string>

namespace ormakin::cli {

namespace {

// A rule value that the car's constructor turns into a rule: not empty, and
// with two commas (a part that does not convert would have stopped the run
// before it began).
bool IsSet(const TCustomIniFile& settings, int state, int mask) {
  const std::string value = settings.ReadEntry("state", TCar::RuleKey(state, mask));
  const auto first = value.find(',');
  return !value.empty() && first != std::string::npos &&
         value.find(',', first + 1) != std::string::npos;
}

}  // namespace

void RuleUsage::Print(std::FILE* out, const TCustomIniFile& settings) const {
  std::array<std::array<bool, kMaskCount>, kStateCount> set{};
  std::size_t width = 1;
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      set[s - 1][m] = IsSet(settings, s, m);
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
      const bool isSet = set[s - 1][m];
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
