#include "core/base/shortest_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ormakin {

std::string ShortestTextByPrintf(double value) {
  if (std::isnan(value)) {
    return std::signbit(value) ? "-nan" : "nan";
  }
  std::string sign = std::signbit(value) ? "-" : "";
  if (std::isinf(value)) {
    return sign + "inf";
  }
  if (value == 0) {
    return sign + "0";
  }
  // The fewest significant digits that read back as the value: printf rounds
  // correctly, so the nearest such text is found first.
  std::array<char, 40> text{};
  for (int precision = 0; precision < 17; ++precision) {
    std::snprintf(text.data(), text.size(), "%.*e", precision, std::fabs(value));
    if (std::strtod(text.data(), nullptr) == std::fabs(value)) {
      break;
    }
  }
  const std::string scientific = text.data();
  const std::size_t e = scientific.find('e');
  std::string digits = scientific.substr(0, 1);
  if (e > 1) {
    digits += scientific.substr(2, e - 2);
  }
  const int exponent = std::atoi(scientific.c_str() + e + 1);

  std::string fixed;
  if (exponent < 0) {
    fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else if (digits.size() <= static_cast<std::size_t>(exponent) + 1) {
    // A whole number is written with all its digits, exactly, as to_chars
    // does: 2^70 is 1180591620717411303424.
    std::array<char, 320> whole{};
    std::snprintf(whole.data(), whole.size(), "%.0f", std::fabs(value));
    fixed = whole.data();
  } else {
    fixed = digits.substr(0, static_cast<std::size_t>(exponent) + 1) + "." +
            digits.substr(static_cast<std::size_t>(exponent) + 1);
  }
  return sign + (fixed.size() <= scientific.size() ? fixed : scientific);
}

std::string ShortestText(double value) {
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
  return std::string(text.data(), end);
#else
  return ShortestTextByPrintf(value);
#endif
}

}  // namespace ormakin
