#include "core/extended/decimal_to_extended.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/exact_decimal.h"

namespace ormakin {
namespace {

using test::BinaryToDecimal;
using test::ExactDecimal;

constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
constexpr ExtendedBits kLargest{0x7FFE, ~std::uint64_t{0}};
constexpr ExtendedBits kInfinity{0x7FFF, kIntegerBit};
constexpr ExtendedBits kZero{0, 0};

// 2^64 - 1, 2^64 + 1, 2^64 + 3, 2^65 - 1 and 2^63 - 1, in decimal.
constexpr const char* kTwo64Less1 = "18446744073709551615";
constexpr const char* kTwo64Plus1 = "18446744073709551617";
constexpr const char* kTwo64Plus3 = "18446744073709551619";
constexpr const char* kTwo65Less1 = "36893488147419103231";
constexpr const char* kTwo63Less1 = "9223372036854775807";

ExtendedBits Convert(const std::string& digits, long exponent) {
  return ExtendedFromDecimal(false, digits, {}, exponent);
}

ExtendedBits Convert(const ExactDecimal& exact) {
  return Convert(exact.digits, exact.exponent);
}

ExtendedBits ConvertNudged(const ExactDecimal& exact, int extraZeros) {
  return Convert(exact.NudgedUp(extraZeros), exact.NudgedExponent(extraZeros));
}

// The same digits less one in the last place (whose digit is not 0).
ExactDecimal LessOneUnit(ExactDecimal exact) {
  --exact.digits.back();
  return exact;
}

std::string Hex(const ExtendedBits& bits) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X:%016llX", bits.signExponent,
                static_cast<unsigned long long>(bits.significand));
  return text;
}

struct SharpCase {
  const char* what;
  ExtendedBits actual;
  ExtendedBits expected;
};

TEST(ExtendedFromDecimal, RoundsHalfwayCasesToEvenAndAnythingBeyondAway) {
  const ExactDecimal onePlusHalfUnit = BinaryToDecimal(kTwo64Plus1, -64);
  const ExactDecimal twoTo64PlusOne{kTwo64Plus1, 0};
  const SharpCase cases[] = {
      {"2^64+1: down to the even 2^64", Convert(twoTo64PlusOne), {0x403F, kIntegerBit}},
      {"2^64+3: up to the even 2^64+4", Convert(kTwo64Plus3, 0), {0x403F, kIntegerBit | 2}},
      {"2^64+1 and a 1 far beyond", ConvertNudged(twoTo64PlusOne, 3000), {0x403F, kIntegerBit | 1}},
      {"2^64+1 and a 1 beyond the digits that count",
       ConvertNudged(twoTo64PlusOne, 12000),
       {0x403F, kIntegerBit | 1}},
      {"just below 2^64+1",
       Convert("18446744073709551616" + std::string(3000, '9'), -3000),
       {0x403F, kIntegerBit}},
      {"1+2^-64: down to 1", Convert(onePlusHalfUnit), {0x3FFF, kIntegerBit}},
      {"1+2^-64 and a 1 far beyond", ConvertNudged(onePlusHalfUnit, 40), {0x3FFF, kIntegerBit | 1}},
      {"1+2^-64 less a hair", Convert(LessOneUnit(onePlusHalfUnit)), {0x3FFF, kIntegerBit}},
      {"1+3*2^-64: up to 1+2^-62",
       Convert(BinaryToDecimal(kTwo64Plus3, -64)),
       {0x3FFF, kIntegerBit | 2}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, c.expected) << c.what << ": " << Hex(c.actual);
  }
}

TEST(ExtendedFromDecimal, TopOfTheRange) {
  const ExactDecimal largest = BinaryToDecimal(kTwo64Less1, 16320);
  // Halfway between the largest value and 2^16384: the tie goes to the even
  // significand, which is beyond the range.
  const ExactDecimal halfway = BinaryToDecimal(kTwo65Less1, 16319);
  const SharpCase cases[] = {
      {"the largest", Convert(largest), kLargest},
      {"just above the largest", ConvertNudged(largest, 4), kLargest},
      {"halfway to 2^16384", Convert(halfway), kInfinity},
      {"one below halfway", Convert(LessOneUnit(halfway)), kLargest},
      {"2^16384", Convert(BinaryToDecimal("1", 16384)), kInfinity},
      {"1E4932", Convert("1", 4932), {0x7FFE, 0xD72CB2A95C7EF6CD}},
      {"1E4933", Convert("1", 4933), kInfinity},
      {"a huge exponent", Convert("1", 1L << 30), kInfinity},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, c.expected) << c.what << ": " << Hex(c.actual);
  }
}

TEST(ExtendedFromDecimal, BottomOfTheRange) {
  const ExactDecimal half = BinaryToDecimal("1", -16446);
  const SharpCase cases[] = {
      {"the smallest subnormal", Convert(BinaryToDecimal("1", -16445)), {0, 1}},
      {"half of it: down to zero", Convert(half), kZero},
      {"half of it and a 1 far beyond", ConvertNudged(half, 30), {0, 1}},
      {"one and a half of it: up to two", Convert(BinaryToDecimal("3", -16446)), {0, 2}},
      {"the largest subnormal",
       Convert(BinaryToDecimal(kTwo63Less1, -16445)),
       {0, kIntegerBit - 1}},
      {"halfway to the smallest normal",
       Convert(BinaryToDecimal(kTwo64Less1, -16446)),
       {1, kIntegerBit}},
      {"the smallest normal", Convert(BinaryToDecimal("1", -16382)), {1, kIntegerBit}},
      {"2E-4951", Convert("2", -4951), {0, 1}},
      {"1E-4951", Convert("1", -4951), kZero},
      {"5.5E-4951", Convert("55", -4952), {0, 2}},
      {"a huge negative exponent", Convert("1", -(1L << 30)), kZero},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, c.expected) << c.what << ": " << Hex(c.actual);
  }
}

TEST(ExtendedFromDecimal, OrdinaryValuesAndSigns) {
  const SharpCase cases[] = {
      {"0.1", ExtendedFromDecimal(false, "0", "1", 0), {0x3FFB, 0xCCCCCCCCCCCCCCCD}},
      {"0.3", ExtendedFromDecimal(false, "", "3", 0), {0x3FFD, 0x999999999999999A}},
      {"-12.5", ExtendedFromDecimal(true, "12", "5", 0), {0xC002, 0xC800000000000000}},
      {"nothing", ExtendedFromDecimal(false, "", "", 7), kZero},
      {"-0.000", ExtendedFromDecimal(true, "0", "000", 9999), {0x8000, 0}},
      {"-1E9999", ExtendedFromDecimal(true, "1", "", 9999), {0xFFFF, kIntegerBit}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, c.expected) << c.what << ": " << Hex(c.actual);
  }
}

TEST(ExtendedFromDecimal, WhereTheDecimalMarkStandsDoesNotMatter) {
  // Digits with leading and trailing zeros, cut into integer part and
  // fraction at every place, the exponent making up for it.
  for (const std::string& digits :
       {std::string("000123456789012345678901234567890000"), std::string("0050")}) {
    const ExtendedBits whole = ExtendedFromDecimal(false, digits, {}, -7);
    for (std::size_t cut = 0; cut <= digits.size(); ++cut) {
      const auto fractionCount = static_cast<long>(digits.size() - cut);
      EXPECT_EQ(ExtendedFromDecimal(false, std::string_view(digits).substr(0, cut),
                                    std::string_view(digits).substr(cut), fractionCount - 7),
                whole)
          << digits << " cut at " << cut;
    }
  }
}

}  // namespace
}  // namespace ormakin
