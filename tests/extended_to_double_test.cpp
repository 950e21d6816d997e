#include "core/extended/extended_to_double.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace ormakin {
namespace {

constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;

struct NarrowCase {
  const char* what;
  ExtendedBits extended;
  std::uint64_t expected;  // the bits of the double
};

TEST(NarrowToDouble, RoundsToNearestEvenAcrossTheRange) {
  const NarrowCase cases[] = {
      {"1", {0x3FFF, kIntegerBit}, 0x3FF0000000000000},
      {"-1", {0xBFFF, kIntegerBit}, 0xBFF0000000000000},
      {"1+2^-53: the tie goes down to 1", {0x3FFF, kIntegerBit | 0x400}, 0x3FF0000000000000},
      {"1+3*2^-53: the tie goes up", {0x3FFF, kIntegerBit | 0xC00}, 0x3FF0000000000002},
      {"1+2^-53+2^-63: above the tie", {0x3FFF, kIntegerBit | 0x401}, 0x3FF0000000000001},
      {"1+2^-53-2^-63: below the tie", {0x3FFF, kIntegerBit | 0x3FF}, 0x3FF0000000000000},
      {"2-2^-63: carries into 2", {0x3FFF, ~std::uint64_t{0}}, 0x4000000000000000},
      {"the largest double", {0x43FE, 0xFFFFFFFFFFFFF800}, 0x7FEFFFFFFFFFFFFF},
      {"just below its tie", {0x43FE, 0xFFFFFFFFFFFFFBFF}, 0x7FEFFFFFFFFFFFFF},
      {"its tie: rounds beyond", {0x43FE, 0xFFFFFFFFFFFFFC00}, 0x7FF0000000000000},
      {"2^1024", {0x43FF, kIntegerBit}, 0x7FF0000000000000},
      {"the largest extended", {0x7FFE, ~std::uint64_t{0}}, 0x7FF0000000000000},
      {"-2^1024", {0xC3FF, kIntegerBit}, 0xFFF0000000000000},
      {"the smallest normal double", {0x3C01, kIntegerBit}, 0x0010000000000000},
      {"the largest subnormal's tie with it", {0x3C00, 0xFFFFFFFFFFFFF800}, 0x0010000000000000},
      {"the largest subnormal", {0x3C00, 0xFFFFFFFFFFFFF000}, 0x000FFFFFFFFFFFFF},
      {"the smallest subnormal", {0x3BCD, kIntegerBit}, 0x0000000000000001},
      {"half of it: down to zero", {0x3BCC, kIntegerBit}, 0},
      {"a hair above half of it", {0x3BCC, kIntegerBit | 1}, 0x0000000000000001},
      {"one and a half of it: up to two", {0x3BCD, 0xC000000000000000}, 0x0000000000000002},
      {"a quarter of it", {0x3BCB, ~std::uint64_t{0}}, 0},
      {"-(a hair above half of it)", {0xBBCC, kIntegerBit | 1}, 0x8000000000000001},
      {"an extended subnormal", {0, 1}, 0},
      {"-(an extended subnormal)", {0x8000, kIntegerBit - 1}, 0x8000000000000000},
      {"the smallest normal extended", {1, kIntegerBit}, 0},
      {"0", {0, 0}, 0},
      {"-0", {0x8000, 0}, 0x8000000000000000},
      {"infinity", {0x7FFF, kIntegerBit}, 0x7FF0000000000000},
      {"-infinity", {0xFFFF, kIntegerBit}, 0xFFF0000000000000},
  };
  for (const auto& c : cases) {
    const auto actual = std::bit_cast<std::uint64_t>(NarrowToDouble(c.extended));
    EXPECT_EQ(actual, c.expected) << c.what << ": " << std::hex << actual;
  }
}

TEST(NarrowToDouble, NaNStaysQuietNaN) {
  for (const ExtendedBits nan :
       {ExtendedBits{0x7FFF, 0xC000000000000000}, ExtendedBits{0xFFFF, 0x8000000000000001}}) {
    const double value = NarrowToDouble(nan);
    EXPECT_TRUE(std::isnan(value));
    EXPECT_EQ(std::signbit(value), (nan.signExponent & 0x8000) != 0);
    EXPECT_NE(std::bit_cast<std::uint64_t>(value) & (std::uint64_t{1} << 51), 0u);
  }
}

TEST(NarrowToDouble, IsInfiniteKnowsOnlyInfinities) {
  EXPECT_TRUE(IsInfinite({0x7FFF, kIntegerBit}));
  EXPECT_TRUE(IsInfinite({0xFFFF, kIntegerBit}));
  EXPECT_FALSE(IsInfinite({0x7FFF, kIntegerBit | 1}));
  EXPECT_FALSE(IsInfinite({0x7FFE, ~std::uint64_t{0}}));
}

}  // namespace
}  // namespace ormakin
