// SinCosBits on known bit patterns, so that every target (also those without
// MPFR, under an emulator) checks its own result; the values were taken from
// MPFR, correctly rounded. The wide comparison lies in
// tests/extended/sine_cosine_reference_test.cpp.
#include "core/extended/sine_cosine.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/extended/fixed_point.h"

namespace ormakin {
namespace {

constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
constexpr ExtendedBits kOne{0x3FFF, kIntegerBit};
constexpr ExtendedBits kZero{};

std::string Describe(ExtendedBits v) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X:%016" PRIX64, v.signExponent, v.significand);
  return text;
}

struct Case {
  const char* name;
  ExtendedBits x;
  ExtendedBits sin;
  ExtendedBits cos;
};

TEST(SinCosBits, KnownResults) {
  const Case cases[] = {
      {"+0", {0x0000, 0}, {0x0000, 0}, kOne},
      {"-0", {0x8000, 0}, {0x8000, 0}, kOne},
      // pi/2 and pi rounded to extended: the reduced argument is about
      // 2^-66, and its every bit counts.
      {"pi/2", {0x3FFF, 0xC90FDAA22168C235}, kOne, {0xBFBD, 0xECE675D1FC8F8CBB}},
      {"pi", {0x4000, 0xC90FDAA22168C235}, {0xBFBE, 0xECE675D1FC8F8CBB}, {0xBFFF, kIntegerBit}},
      {"2 pi", {0x4001, 0xC90FDAA22168C235}, {0x3FBF, 0xECE675D1FC8F8CBB}, kOne},
      {"1", kOne, {0x3FFE, 0xD76AA47848677021}, {0x3FFE, 0x8A51407DA8345C92}},
      {"-1", {0xBFFF, kIntegerBit}, {0xBFFE, 0xD76AA47848677021}, {0x3FFE, 0x8A51407DA8345C92}},
      {"2^-40", {0x3FD7, kIntegerBit}, {0x3FD7, kIntegerBit}, kOne},
      // Cosines 2^-60 ulp or less from a point halfway between two extended
      // values: 1 - 2^-65 - 2^-127 + ... rounds down, 1 - 2^-65 + 2^-128/24
      // - ... up to 1, and near sqrt(3) 2^-32 the cosine lies just below
      // 1 - 3 * 2^-65 and rounds down.
      {"2^-32 (1 + 2^-63)",
       {0x3FDF, 0x8000000000000001},
       {0x3FDF, 0x8000000000000001},
       {0x3FFE, 0xFFFFFFFFFFFFFFFF}},
      {"2^-32", {0x3FDF, kIntegerBit}, {0x3FDF, kIntegerBit}, kOne},
      {"about sqrt(3) 2^-32",
       {0x3FDF, 0xDDB3D742C265539E},
       {0x3FDF, 0xDDB3D742C265539E},
       {0x3FFE, 0xFFFFFFFFFFFFFFFE}},
      {"1e6",
       {0x4012, 0xF424000000000000},
       {0xBFFD, 0xB332592B46C33A4D},
       {0x3FFE, 0xEFCEFCC836996357}},
      // Large arguments need the long product with 2/pi.
      {"2^62", {0x403D, kIntegerBit}, {0xBFFE, 0xB3F2B9AAF80A3946}, {0xBFFE, 0xB6158FC106383E05}},
      {"2^48", {0x402F, kIntegerBit}, {0x3FFC, 0x849A9AA49A59EE3C}, {0x3FFE, 0xFDD82EDE49AF8996}},
  };
  for (const Case& c : cases) {
    const SineCosineBits got = SinCosBits(c.x);
    EXPECT_EQ(Describe(got.sin), Describe(c.sin)) << "sin " << c.name;
    EXPECT_EQ(Describe(got.cos), Describe(c.cos)) << "cos " << c.name;
  }
}

TEST(SinCosBits, ArgumentsItDoesNotReduce) {
  const ExtendedBits defaultNaN{0xFFFF, 0xC000000000000000};
  const Case cases[] = {
      {"+inf", {0x7FFF, kIntegerBit}, kZero, kZero},
      {"-inf", {0xFFFF, kIntegerBit}, kZero, kZero},
      {"2^63", {0x403E, kIntegerBit}, kZero, kZero},
      {"-2^63", {0xC03E, kIntegerBit}, kZero, kZero},
      {"largest finite", {0x7FFE, ~std::uint64_t{0}}, kZero, kZero},
      // A NaN keeps its sign and payload and comes out quiet.
      {"quiet NaN",
       {0x7FFF, 0xC000000000001234},
       {0x7FFF, 0xC000000000001234},
       {0x7FFF, 0xC000000000001234}},
      {"signalling NaN",
       {0xFFFF, 0x8000000000000001},
       {0xFFFF, 0xC000000000000001},
       {0xFFFF, 0xC000000000000001}},
      // Encodings without the integer bit are refused as the x87 refuses them.
      {"pseudo-infinity", {0x7FFF, 0}, defaultNaN, defaultNaN},
      {"unnormal", {0x3FFF, 0x4000000000000000}, defaultNaN, defaultNaN},
      // Subnormals and tiny numbers: sin x = x, cos x = 1.
      {"smallest subnormal", {0x0000, 1}, {0x0000, 1}, kOne},
      {"negative subnormal", {0x8000, 0x7FFFFFFFFFFFFFFF}, {0x8000, 0x7FFFFFFFFFFFFFFF}, kOne},
      {"below 2^-32", {0xBFDE, ~std::uint64_t{0}}, {0xBFDE, ~std::uint64_t{0}}, kOne},
  };
  for (const Case& c : cases) {
    const SineCosineBits got = SinCosBits(c.x);
    EXPECT_EQ(Describe(got.sin), Describe(c.sin)) << "sin " << c.name;
    EXPECT_EQ(Describe(got.cos), Describe(c.cos)) << "cos " << c.name;
  }
}

TEST(SinCosBits, SineIsOddAndCosineEven) {
  std::mt19937_64 random(99);
  std::uniform_int_distribution<int> exponent(0x3FFF - 40, 0x3FFF + 62);
  for (int i = 0; i < 2000; ++i) {
    const ExtendedBits x{static_cast<std::uint16_t>(exponent(random)), random() | kIntegerBit};
    const ExtendedBits minusX{static_cast<std::uint16_t>(x.signExponent | 0x8000), x.significand};
    const SineCosineBits plus = SinCosBits(x);
    const SineCosineBits minus = SinCosBits(minusX);
    ASSERT_EQ(minus.sin.signExponent, plus.sin.signExponent ^ 0x8000) << Describe(x);
    ASSERT_EQ(minus.sin.significand, plus.sin.significand) << Describe(x);
    ASSERT_EQ(minus.cos, plus.cos) << Describe(x);
  }
}

TEST(FixedPoint, PortableProductOfWordsIsTheFullProduct) {
  // Products whose halves carry into each other, checked against their
  // known values; with a 128-bit integer, random ones against it as well.
  const std::uint64_t ones = ~std::uint64_t{0};
  struct Product {
    std::uint64_t a, b;
    U128 full;
  } known[] = {
      {0, ones, {0, 0}},
      {1, ones, {0, ones}},
      {ones, ones, {ones - 1, 1}},
      {std::uint64_t{1} << 32, std::uint64_t{1} << 32, {1, 0}},
      {0xFFFFFFFF, 0xFFFFFFFF, {0, 0xFFFFFFFE00000001}},
      {0x1FFFFFFFF, 0x1FFFFFFFF, {3, 0xFFFFFFFC00000001}},
  };
  for (const Product& p : known) {
    EXPECT_EQ(Mul64Portable(p.a, p.b), p.full) << p.a << " * " << p.b;
    EXPECT_EQ(Mul64(p.a, p.b), p.full) << p.a << " * " << p.b;
  }
#ifdef __SIZEOF_INT128__
  std::mt19937_64 random(5);
  for (int i = 0; i < 100000; ++i) {
    // Mostly full words, some with long runs of ones or zeros.
    std::uint64_t a = random();
    std::uint64_t b = random();
    if (i % 4 == 1) {
      a |= 0xFFFFFFFF00000000;
    } else if (i % 4 == 2) {
      b &= 0x00000000FFFFFFFF;
    }
    const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    const U128 want{static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
    ASSERT_EQ(Mul64Portable(a, b), want) << a << " * " << b;
  }
#endif
}

TEST(FixedPoint, DivisionOfTwoWordsByOneIsExact) {
  // quotient * divisor + remainder == dividend with remainder < divisor, for
  // the division the processor does and the portable one alike: at the
  // edges (the largest quotient, remainders of 0 and divisor - 1, divisors
  // of 2^63 and of all ones, quotient digits that need their corrections)
  // and at random.
  const std::uint64_t ones = ~std::uint64_t{0};
  const std::uint64_t top = std::uint64_t{1} << 63;
  std::vector<std::pair<U128, std::uint64_t>> cases = {
      {{top - 1, ones}, top},
      {{ones - 1, ones}, ones},
      {{ones - 1, 0}, ones},
      {{0, 0}, top},
      {{0, ones}, top},
      {{top, 0}, top | 1},
      {{0x7FFFFFFF80000000, 0}, 0x8000000000000001},
      {{0x7FFFFFFFFFFFFFFF, 0xFFFFFFFF00000000}, 0x8000000000000001},
      {{0xFFFFFFFE00000000, 0}, 0xFFFFFFFF00000001},
      {{0x8000000000000000, 0x00000000FFFFFFFF}, 0xFFFFFFFF80000000},
  };
  std::mt19937_64 random(11);
  for (int i = 0; i < 100000; ++i) {
    const std::uint64_t divisor = random() | top;
    std::uint64_t high = random();
    if (high >= divisor) high -= divisor;
    cases.push_back({{high, random()}, divisor});
  }
  for (const auto& [dividend, divisor] : cases) {
    std::uint64_t remainder = 0;
    std::uint64_t portableRemainder = 0;
    const std::uint64_t quotient = Divide128By64(dividend, divisor, remainder);
    ASSERT_EQ(Divide128By64Portable(dividend, divisor, portableRemainder), quotient)
        << dividend.hi << ":" << dividend.lo << " / " << divisor;
    ASSERT_EQ(portableRemainder, remainder);
    ASSERT_LT(remainder, divisor);
    ASSERT_EQ(Add(Mul64(quotient, divisor), {0, remainder}), dividend)
        << dividend.hi << ":" << dividend.lo << " / " << divisor;
  }
}

}  // namespace
}  // namespace ormakin
