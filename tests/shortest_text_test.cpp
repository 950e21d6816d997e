// The shortest text of a double: the rule texts and the stop reasons write
// reals with it, on every target alike.

#include "core/base/shortest_text.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace ormakin {
namespace {

TEST(ShortestText, ChoosesTheShorterOfFixedAndScientific) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {1.0, "1"},
      {-22.5, "-22.5"},
      {0.1, "0.1"},
      {0.001, "0.001"},  // as long as 1e-03: fixed wins the tie
      {0.0001, "1e-04"},
      {10000.0, "10000"},
      {100000.0, "1e+05"},
      {1e15, "1e+15"},
      {123456789012345680000.0, "123456789012345683968"},  // whole: every digit
      {1e22, "1e+22"},
      {1.5e-7, "1.5e-07"},
      {4.71238898038469, "4.71238898038469"},
      {5e-324, "5e-324"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {2.2250738585072014e-308, "2.2250738585072014e-308"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortestText(c.value), c.text);
    EXPECT_EQ(ShortestTextByPrintf(c.value), c.text);
  }
}

// Where the library has it, the printf route must agree with to_chars on
// doubles of every kind.
TEST(ShortestText, PrintfRouteAgreesWithToChars) {
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = random();
    // Any bits, then short decimals, where the fixed form competes.
    const double value = i % 2 == 0 ? std::bit_cast<double>(bits)
                                    : static_cast<double>(bits % 2000000) / 1000.0 *
                                          std::pow(10.0, static_cast<int>(bits >> 58) - 32);
    if (std::isnan(value)) {
      continue;
    }
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    ASSERT_EQ(ShortestTextByPrintf(value), std::string(text.data(), end)) << bits;
  }
#else
  GTEST_SKIP() << "this standard library has no to_chars of doubles to compare with";
#endif
}

}  // namespace
}  // namespace ormakin
