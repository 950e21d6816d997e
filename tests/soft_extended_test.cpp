// SoftExtended at the edges where rounding, the subnormal range and the NaN
// rules decide, with results worked out by hand (and confirmed on an x87).
// These run on every target; tests/extended/ compares with MPFR and the x87
// over many more operands where those are available.
#include "core/extended/soft_extended.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "core/extended/extended.h"

namespace ormakin {
namespace {

constexpr SoftExtended X(std::uint16_t signExponent, std::uint64_t significand) {
  return SoftExtended::FromBits({signExponent, significand});
}

::testing::AssertionResult SameBits(SoftExtended actual, SoftExtended expected) {
  const ExtendedBits a = actual.Bits();
  const ExtendedBits e = expected.Bits();
  if (a == e) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << std::hex << "got " << a.signExponent << ":" << a.significand << ", expected "
         << e.signExponent << ":" << e.significand;
}

constexpr std::uint64_t kOne = 0x8000000000000000;
constexpr std::uint64_t kAllOnes = 0xFFFFFFFFFFFFFFFF;
constexpr SoftExtended kOneX = X(0x3FFF, kOne);
constexpr SoftExtended kPlusZero = X(0, 0);
constexpr SoftExtended kMinusZero = X(0x8000, 0);
constexpr SoftExtended kInf = X(0x7FFF, kOne);
constexpr SoftExtended kMinusInf = X(0xFFFF, kOne);
constexpr SoftExtended kDefaultNaN = X(0xFFFF, 0xC000000000000000);
constexpr SoftExtended kTiniest = X(0, 1);  // the smallest subnormal
constexpr SoftExtended kMax = X(0x7FFE, kAllOnes);
constexpr SoftExtended kQuietPlus = X(0x7FFF, 0xC000000000000001);
constexpr SoftExtended kQuietMinus = X(0xFFFF, 0xC000000000000001);
constexpr SoftExtended kQuietLarger = X(0xFFFF, 0xC000000000000002);
constexpr SoftExtended kSignalling = X(0x7FFF, 0x8000000000000001);
constexpr SoftExtended kUnnormal = X(0x3FFF, 0x4000000000000000);
constexpr SoftExtended kPseudoInfinity = X(0x7FFF, 0);
constexpr SoftExtended kPseudoDenormal = X(0, kOne);

enum class Op { kAdd, kSub, kMul, kDiv };

struct Case {
  const char* name;
  Op op;
  SoftExtended a;
  SoftExtended b;
  SoftExtended expected;
};

SoftExtended Apply(Op op, SoftExtended a, SoftExtended b) {
  switch (op) {
    case Op::kAdd:
      return a + b;
    case Op::kSub:
      return a - b;
    case Op::kMul:
      return a * b;
    case Op::kDiv:
      return a / b;
  }
  return {};
}

TEST(SoftExtended, ArithmeticAtTheEdges) {
  const Case kCases[] = {
      // Rounding to nearest, ties to even, and the sticky bits beyond.
      {"tie rounds down to even", Op::kAdd, kOneX, X(0x3FBF, kOne), kOneX},
      {"tie rounds up to even", Op::kAdd, X(0x3FFF, kOne | 1), X(0x3FBF, kOne),
       X(0x3FFF, kOne | 2)},
      {"beyond the tie rounds up", Op::kAdd, kOneX, X(0x3FBF, kOne | 0x80), X(0x3FFF, kOne | 1)},
      {"carry into the exponent", Op::kAdd, X(0x3FFF, kAllOnes), X(0x3FBF, kOne), X(0x4000, kOne)},
      {"a far smaller subtrahend only rounds", Op::kSub, kOneX, X(0x3F37, kOne), kOneX},
      {"just below the tie under 1", Op::kSub, kOneX, X(0x3FBE, kOne | 1), X(0x3FFE, kAllOnes)},
      {"tie under 1 rounds to 1", Op::kSub, kOneX, X(0x3FBE, kOne), kOneX},
      {"cancellation is exact", Op::kSub, X(0x3FFF, kOne | 1), kOneX, X(0x3FC0, kOne)},
      // Signed zeros.
      {"x - x is +0", Op::kSub, kOneX, kOneX, kPlusZero},
      {"-x + x is +0", Op::kAdd, -kOneX, kOneX, kPlusZero},
      {"-0 + -0 is -0", Op::kAdd, kMinusZero, kMinusZero, kMinusZero},
      {"-0 - +0 is -0", Op::kSub, kMinusZero, kPlusZero, kMinusZero},
      {"+0 + -0 is +0", Op::kAdd, kPlusZero, kMinusZero, kPlusZero},
      {"-0 * 5 is -0", Op::kMul, kMinusZero, SoftExtended(5), kMinusZero},
      {"1 / -inf is -0", Op::kDiv, kOneX, kMinusInf, kMinusZero},
      // The subnormal range, rounded at the fixed place of its last bit.
      {"into the normal range", Op::kAdd, X(0, 0x7FFFFFFFFFFFFFFF), kTiniest, X(1, kOne)},
      {"out of the normal range", Op::kSub, X(1, kOne), kTiniest, X(0, 0x7FFFFFFFFFFFFFFF)},
      {"half the tiniest ties to 0", Op::kMul, kTiniest, X(0x3FFE, kOne), kPlusZero},
      {"three halves tie to 2", Op::kMul, kTiniest, X(0x3FFF, 0xC000000000000000), X(0, 2)},
      {"three quarters round to 1", Op::kMul, -kTiniest, X(0x3FFE, 0xC000000000000000), -kTiniest},
      {"a subnormal quotient", Op::kDiv, X(1, kOne), SoftExtended(4), X(0, 0x2000000000000000)},
      {"a pseudo-denormal counts as exponent 1", Op::kAdd, kPseudoDenormal, kPlusZero, X(1, kOne)},
      {"subnormal times a large number", Op::kMul, kTiniest, X(0x3FFF + 16000, kOne),
       X(0x3FFF - 445, kOne)},
      // Overflow to infinity, with the sign.
      {"twice the largest", Op::kMul, kMax, SoftExtended(-2), kMinusInf},
      {"a tie above the largest", Op::kAdd, kMax, X(0x7FBE, kOne), kInf},
      {"a quotient beyond the range", Op::kDiv, kMax, X(0x3FFE, kOne), kInf},
      // Quotients.
      {"one third", Op::kDiv, kOneX, SoftExtended(3), X(0x3FFD, 0xAAAAAAAAAAAAAAAB)},
      {"two thirds", Op::kDiv, SoftExtended(2), SoftExtended(-3), X(0xBFFE, 0xAAAAAAAAAAAAAAAB)},
      {"division by zero", Op::kDiv, -kOneX, kPlusZero, kMinusInf},
      // Invalid operations give the default NaN.
      {"inf - inf", Op::kSub, kInf, kInf, kDefaultNaN},
      {"inf + -inf", Op::kAdd, kInf, kMinusInf, kDefaultNaN},
      {"0 * inf", Op::kMul, kMinusZero, kInf, kDefaultNaN},
      {"0 / 0", Op::kDiv, kPlusZero, kMinusZero, kDefaultNaN},
      {"inf / inf", Op::kDiv, kMinusInf, kInf, kDefaultNaN},
      {"an unnormal operand", Op::kAdd, kOneX, kUnnormal, kDefaultNaN},
      {"a pseudo-infinity operand", Op::kMul, kPseudoInfinity, kOneX, kDefaultNaN},
      {"unsupported beats a NaN", Op::kAdd, kQuietPlus, kUnnormal, kDefaultNaN},
      // NaN operands.
      {"a NaN keeps its sign in a - NaN", Op::kSub, kOneX, kQuietPlus, kQuietPlus},
      {"a signalling NaN is quieted", Op::kMul, kSignalling, kOneX, kQuietPlus},
      {"quiet beats signalling", Op::kAdd, kSignalling, kQuietLarger, kQuietLarger},
      {"the larger significand wins", Op::kDiv, kQuietPlus, kQuietLarger, kQuietLarger},
      {"equal significands: the positive one", Op::kAdd, kQuietMinus, kQuietPlus, kQuietPlus},
      {"two signalling: the positive, quieted", Op::kAdd, -kSignalling, kSignalling, kQuietPlus},
  };
  for (const Case& c : kCases) {
    EXPECT_TRUE(SameBits(Apply(c.op, c.a, c.b), c.expected)) << c.name;
  }
}

TEST(SoftExtended, TheInlinePathMeetsTheGeneralCodeAtItsEdges) {
  // Each operation first tries a path for normal operands with a normal
  // result (a sum's exponents under 63 apart); these lie on either side of
  // where it hands over, and must not tell which side computed them.
  const Case kCases[] = {
      {"1 + 2^-62, the farthest apart inline", Op::kAdd, kOneX, X(0x3FC1, kOne),
       X(0x3FFF, kOne | 2)},
      {"1 + 2^-63, one place further", Op::kAdd, kOneX, X(0x3FC0, kOne), X(0x3FFF, kOne | 1)},
      {"rounded down 62 places apart", Op::kAdd, kOneX, X(0x3FC1, kAllOnes), X(0x3FFF, kOne | 4)},
      {"rounded down 63 places apart", Op::kAdd, kOneX, X(0x3FC0, kOne | 1), X(0x3FFF, kOne | 1)},
      {"a tie 62 places apart, down to even", Op::kAdd, kOneX, X(0x3FC1, kOne | (kOne >> 2)),
       X(0x3FFF, kOne | 2)},
      {"a tie 62 places apart, up to even", Op::kAdd, X(0x3FFF, kOne | 1),
       X(0x3FC1, kOne | (kOne >> 2)), X(0x3FFF, kOne | 4)},
      {"the leading one 62 places down", Op::kSub, X(0x3FFF, kOne | 2), kOneX, X(0x3FC1, kOne)},
      {"the leading one below the top word", Op::kSub, kOneX, X(0x3FFE, kAllOnes), X(0x3FBF, kOne)},
      // Exponents 2 apart or more: the difference's leading one moves one
      // place at most, and the lost bits round it.
      {"2 apart, down one place to a tie, down to even", Op::kSub, kOneX, X(0x3FFD, kAllOnes),
       X(0x3FFE, kOne)},
      {"2 apart, the leading one kept", Op::kSub, X(0x3FFF, kAllOnes), X(0x3FFD, kOne),
       X(0x3FFF, 0xDFFFFFFFFFFFFFFF)},
      {"2 apart, a borrow from the lost bits, a tie up to even", Op::kAdd, kOneX,
       X(0xBFFD, kOne | 1), X(0x3FFE, 0xC000000000000000)},
      {"cancelled into the subnormals", Op::kSub, X(1, kOne | 1), X(1, kOne), kTiniest},
      {"a carry out of the largest binade", Op::kAdd, kMax, X(0x7FC0, kOne), kInf},
      {"-x - -x is +0", Op::kSub, -kOneX, -kOneX, kPlusZero},
      {"the smallest normal product", Op::kMul, X(0x2000, kOne), X(0x2000, kOne), X(1, kOne)},
      {"half of it, subnormal", Op::kMul, X(0x2000, kOne), X(0x1FFF, kOne),
       X(0, 0x4000000000000000)},
      {"a product tie, down to even", Op::kMul, X(0x3FFF, kOne | (kOne >> 32)),
       X(0x3FFF, kOne | (kOne >> 32)), X(0x3FFF, kOne | (kOne >> 31))},
      {"a product rounded beyond the largest", Op::kMul, kMax, X(0x3FFF, kOne | 1), kInf},
      {"a product rounded up into the next binade", Op::kMul, X(0x3FFF, kOne | 1),
       X(0x3FFE, kAllOnes - 1), kOneX},
      {"a quotient a hair above 1 - 2^-63", Op::kDiv, kOneX, X(0x3FFF, kOne | 1),
       X(0x3FFE, kAllOnes - 1)},
      {"the smallest normal quotient", Op::kDiv, X(0x2000, kOne), X(0x5FFE, kOne), X(1, kOne)},
      // The inline paths take magnitudes from 2^-4096 to below 2^4096.
      {"the smallest inline product", Op::kMul, X(0x2FFF, kOne), X(0x2FFF, kAllOnes),
       X(0x1FFF, kAllOnes)},
      {"a factor just below them", Op::kMul, X(0x2FFE, kOne), X(0x2FFF, kAllOnes),
       X(0x1FFE, kAllOnes)},
      {"the largest inline quotient", Op::kDiv, X(0x4FFE, kAllOnes), X(0x2FFF, kOne),
       X(0x5FFE, kAllOnes)},
      {"a dividend just above them", Op::kDiv, X(0x4FFF, kOne), X(0x2FFF, kOne), X(0x5FFF, kOne)},
      {"the largest inline sum carries, a tie up to even", Op::kAdd, X(0x4FFE, kAllOnes),
       X(0x4FFE, kOne), X(0x4FFF, 0xC000000000000000)},
      {"a term just above them", Op::kSub, X(0x4FFF, kOne), X(0xCFFE, kOne),
       X(0x4FFF, kOne | (kOne >> 1))},
      // A zero with a normal number: the car's turn of 0.
      {"0 + x is x", Op::kAdd, kPlusZero, -kOneX, -kOneX},
      {"-0 - x is -x", Op::kSub, kMinusZero, kOneX, -kOneX},
      {"x - 0 is x", Op::kSub, kOneX, kPlusZero, kOneX},
      {"x * -0 is -0", Op::kMul, kOneX, kMinusZero, kMinusZero},
      {"-0 / -x is +0", Op::kDiv, kMinusZero, -kOneX, kPlusZero},
  };
  for (const Case& c : kCases) {
    EXPECT_TRUE(SameBits(Apply(c.op, c.a, c.b), c.expected)) << c.name;
  }
  // Narrowing: a carry into the double's exponent inline, the next binade
  // up in the general code.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(X(0x43FD, kAllOnes))),
            0x7FE0000000000000u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(X(0x43FE, kAllOnes))),
            0x7FF0000000000000u);
  EXPECT_TRUE(SameBits(SoftExtended(0.0), kPlusZero));
}

TEST(SoftExtended, ComparisonsAreUnorderedWithNaNsAndUnsupportedOperands) {
  struct Pair {
    SoftExtended a;
    SoftExtended b;
    int order;  // -1, 0, 1, or 2 for unordered
  };
  const Pair kPairs[] = {
      {kPlusZero, kMinusZero, 0},
      {kMinusZero, kTiniest, -1},
      {-kTiniest, kPlusZero, -1},
      {kPseudoDenormal, X(1, kOne), 0},
      {kOneX, SoftExtended(1.0), 0},
      {X(0x3FFF, kOne | 1), kOneX, 1},
      {-kOneX, X(0xBFFF, kOne | 1), 1},
      {kMax, kInf, -1},
      {kMinusInf, -kMax, -1},
      {kInf, kInf, 0},
      {kQuietPlus, kQuietPlus, 2},
      {kSignalling, kOneX, 2},
      {kOneX, kUnnormal, 2},
      {kUnnormal, kUnnormal, 2},
  };
  for (const Pair& p : kPairs) {
    for (const bool swapped : {false, true}) {
      const SoftExtended a = swapped ? p.b : p.a;
      const SoftExtended b = swapped ? p.a : p.b;
      const int order = swapped && p.order != 2 ? -p.order : p.order;
      const auto where = ::testing::Message()
                         << std::hex << a.Bits().signExponent << ":" << a.Bits().significand
                         << " vs " << b.Bits().signExponent << ":" << b.Bits().significand;
      EXPECT_EQ(a == b, order == 0) << where;
      EXPECT_EQ(a != b, order != 0) << where;
      EXPECT_EQ(a < b, order == -1) << where;
      EXPECT_EQ(a > b, order == 1) << where;
      EXPECT_EQ(a <= b, order == -1 || order == 0) << where;
      EXPECT_EQ(a >= b, order == 1 || order == 0) << where;
    }
  }
}

TEST(SoftExtended, UnaryMinusOnlyFlipsTheSign) {
  for (const SoftExtended v : {kOneX, kPlusZero, kSignalling, kUnnormal, kDefaultNaN}) {
    const ExtendedBits bits = (-v).Bits();
    EXPECT_EQ(bits.signExponent, v.Bits().signExponent ^ 0x8000);
    EXPECT_EQ(bits.significand, v.Bits().significand);
  }
}

TEST(SoftExtended, ExactFromIntegersAndDoubles) {
  EXPECT_TRUE(SameBits(SoftExtended(0), kPlusZero));
  EXPECT_TRUE(SameBits(SoftExtended(-1), -kOneX));
  EXPECT_TRUE(SameBits(SoftExtended(INT32_MIN), X(0xC01E, kOne)));
  EXPECT_TRUE(SameBits(SoftExtended(INT32_MAX), X(0x401D, 0xFFFFFFFE00000000)));
  EXPECT_TRUE(SameBits(SoftExtended(-0.0), kMinusZero));
  EXPECT_TRUE(SameBits(SoftExtended(0.1), X(0x3FFB, 0xCCCCCCCCCCCCD000)));
  EXPECT_TRUE(SameBits(SoftExtended(std::numeric_limits<double>::denorm_min()), X(0x3BCD, kOne)));
  EXPECT_TRUE(SameBits(SoftExtended(std::bit_cast<double>(std::uint64_t{0x000FFFFFFFFFFFFF})),
                       X(0x3C00, 0xFFFFFFFFFFFFF000)));
  EXPECT_TRUE(SameBits(SoftExtended(-std::numeric_limits<double>::infinity()), kMinusInf));
  // A NaN's payload moves to the top; a signalling one is quieted.
  EXPECT_TRUE(SameBits(SoftExtended(std::bit_cast<double>(std::uint64_t{0x7FF0000000000001})),
                       X(0x7FFF, 0xC000000000000800)));
  EXPECT_TRUE(SameBits(SoftExtended(std::bit_cast<double>(std::uint64_t{0xFFF8000000000123})),
                       X(0xFFFF, 0xC000000000091800)));
}

TEST(SoftExtended, RoundsToTheNearestDouble) {
  struct Conversion {
    const char* name;
    SoftExtended value;
    std::uint64_t expected;  // the double's bits
  };
  const Conversion kConversions[] = {
      {"tie rounds down to even", X(0x3FFF, kOne | 0x400), 0x3FF0000000000000},
      {"beyond the tie rounds up", X(0x3FFF, kOne | 0x401), 0x3FF0000000000001},
      {"tie rounds up to even", X(0x3FFF, kOne | 0xC00), 0x3FF0000000000002},
      {"carry into the exponent", X(0x3FFF, kAllOnes), 0x4000000000000000},
      {"half the smallest subnormal ties to 0", X(0x3BCC, kOne), 0},
      {"beyond half the smallest subnormal", X(0xBBCC, kOne | 1), 0x8000000000000001},
      {"three halves of it tie to 2", X(0x3BCD, 0xC000000000000000), 2},
      {"far below the subnormals", X(0x0001, kOne), 0},
      {"an extended subnormal", kTiniest, 0},
      {"a subnormal rounds up to the smallest normal", X(0x3C00, kAllOnes), 0x0010000000000000},
      {"the largest double", X(0x43FE, 0xFFFFFFFFFFFFF800), 0x7FEFFFFFFFFFFFFF},
      {"just under the tie above it", X(0x43FE, 0xFFFFFFFFFFFFFBFF), 0x7FEFFFFFFFFFFFFF},
      {"the tie above it overflows", X(0xC3FE, 0xFFFFFFFFFFFFFC00), 0xFFF0000000000000},
      {"the largest extended overflows", kMax, 0x7FF0000000000000},
      {"-0", kMinusZero, 0x8000000000000000},
      {"a NaN keeps the top of its payload", X(0xFFFF, 0xC000000000000800), 0xFFF8000000000001},
      {"a signalling NaN is quieted", kSignalling, 0x7FF8000000000000},
      {"an unsupported operand is the default NaN", kUnnormal, 0xFFF8000000000000},
  };
  for (const Conversion& c : kConversions) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(c.value)), c.expected) << c.name;
  }
}

TEST(SoftExtended, Trunc32KeepsItsEdges) {
  struct Edge {
    SoftExtended value;
    std::optional<std::int32_t> expected;
  };
  const Edge kEdges[] = {
      {SoftExtended(2147483647.999), INT32_MAX},
      {SoftExtended(2147483648.0), std::nullopt},
      {SoftExtended(-2147483648.999), INT32_MIN},
      {SoftExtended(-2147483649.0), std::nullopt},
      {SoftExtended(-0.999), 0},
      {kMinusZero, 0},
      {kTiniest, 0},
      {SoftExtended(-7.5), -7},
      {SoftExtended(1e300), std::nullopt},
      {kMinusInf, std::nullopt},
      {kQuietPlus, std::nullopt},
      {kUnnormal, std::nullopt},
  };
  for (const Edge& e : kEdges) {
    EXPECT_EQ(Trunc32(e.value), e.expected) << static_cast<double>(e.value);
  }
}

// A probe's pixel: the sum with a half, then its integer part, taken in one
// step without rounding where the sum cannot round. Around every power of
// two of both signs (where the sum carries or loses a place), at the ends of
// that road and outside it, and on values spread over the scales.
TEST(SoftExtended, Trunc32PlusHalfIsTheIntegerPartOfTheRoundedSum) {
  std::vector<SoftExtended> values = {kMinusZero, kTiniest,  kMinusInf,
                                      kQuietPlus, kUnnormal, X(0x3FFE, 0x8000000000000000)};
  std::uint64_t state = 0x9E3779B97F4A7C15;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int scale = -3; scale <= 33; ++scale) {
    const std::uint64_t half = scale <= 62 && scale >= -1 ? std::uint64_t{1} << (62 - scale) : 1;
    for (std::uint16_t sign : {0, 0x8000}) {
      const auto exponent = static_cast<std::uint16_t>(sign | (0x3FFF + scale));
      const std::uint64_t kTop = std::uint64_t{1} << 63;
      for (const std::uint64_t significand : std::initializer_list<std::uint64_t>{
               0x8000000000000000, 0x8000000000000001, 0xFFFFFFFFFFFFFFFF, 0 - half, 0 - half - 1,
               0x8000000000000000 + half, 0x8000000000000000 + half - 1, next() | kTop,
               next() | kTop}) {
        values.push_back(X(exponent, significand | kTop));
      }
    }
  }
  for (const SoftExtended v : values) {
    EXPECT_EQ(Trunc32PlusHalf(v), Trunc32(v + SoftExtended(0.5)))
        << std::hex << v.Bits().signExponent << " " << v.Bits().significand;
  }
}

TEST(Extended, ConstantsHaveTheSameBitsOnEveryTarget) {
  EXPECT_EQ(ToBits(kPi), (ExtendedBits{0x4000, 0xC90FDAA22168C235}));
  EXPECT_EQ(ToBits(kHalfPi), (ExtendedBits{0x3FFF, 0xC90FDAA22168C235}));
  EXPECT_EQ(ToBits(kTwoPi), (ExtendedBits{0x4001, 0xC90FDAA22168C235}));
  EXPECT_EQ(ToBits(FromBits(ExtendedBits{0x8001, 0x8000000000000001})),
            (ExtendedBits{0x8001, 0x8000000000000001}));
}

#if ORMAKIN_HAS_X87
TEST(Extended, UseExtendedPrecisionRestoresA64BitNearestControlWord) {
  const std::uint16_t saved = X87ControlWord();
  // 53 bits and rounding towards zero, as a DLL might leave it.
  SetX87ControlWord(static_cast<std::uint16_t>((saved & ~0x0F00) | 0x0E00));
  UseExtendedPrecision();
  const std::uint16_t word = X87ControlWord();
  SetX87ControlWord(saved);
  EXPECT_EQ(word & 0x0F00, 0x0300);
  EXPECT_EQ(word & ~0x0F00, saved & ~0x0F00);  // the exception masks untouched
}
#endif

}  // namespace
}  // namespace ormakin
