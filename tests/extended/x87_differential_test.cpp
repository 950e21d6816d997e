// SoftExtended against the x87 itself, bit for bit: every operation the car
// uses, on edge operands (NaNs, infinities and unsupported encodings among
// them) and on a million random ones. Built where long double is the x87's
// format.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>

#include "core/extended/precision_control.h"
#include "core/extended/soft_extended.h"
#include "core/extended/x87.h"
#include "operands.h"

#if ORMAKIN_X87_LONG_DOUBLE

namespace ormakin {
namespace {

using testing::EdgeOperands;
using testing::OperandKinds;
using testing::RandomOperands;

struct Outcome {
  ExtendedBits sum, difference, product, quotient;
  std::uint64_t asDouble;
  unsigned comparisons;  // == < > <= >= != as bits 0 to 5
  std::optional<std::int32_t> truncated;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

unsigned Comparisons(auto a, auto b) {
  return (a == b ? 1u : 0u) | (a < b ? 2u : 0u) | (a > b ? 4u : 0u) | (a <= b ? 8u : 0u) |
         (a >= b ? 16u : 0u) | (a != b ? 32u : 0u);
}

Outcome Soft(ExtendedBits bitsA, ExtendedBits bitsB) {
  const SoftExtended a = SoftExtended::FromBits(bitsA);
  const SoftExtended b = SoftExtended::FromBits(bitsB);
  return {(a + b).Bits(),
          (a - b).Bits(),
          (a * b).Bits(),
          (a / b).Bits(),
          std::bit_cast<std::uint64_t>(static_cast<double>(a)),
          Comparisons(a, b),
          Trunc32(a)};
}

Outcome Hardware(ExtendedBits bitsA, ExtendedBits bitsB) {
  const long double a = X87FromBits(bitsA);
  const long double b = X87FromBits(bitsB);
  return {X87Bits(a + b),
          X87Bits(a - b),
          X87Bits(a * b),
          X87Bits(a / b),
          std::bit_cast<std::uint64_t>(static_cast<double>(a)),
          Comparisons(a, b),
          Trunc32(a)};
}

::testing::AssertionResult SameOutcome(ExtendedBits a, ExtendedBits b) {
  const Outcome soft = Soft(a, b);
  const Outcome hardware = Hardware(a, b);
  if (soft == hardware) return ::testing::AssertionSuccess();
  auto show = [](ExtendedBits v) {
    return ::testing::Message() << std::hex << v.signExponent << ":" << v.significand;
  };
  return ::testing::AssertionFailure()
         << "operands " << show(a) << " and " << show(b) << "\n  soft: " << show(soft.sum) << " "
         << show(soft.difference) << " " << show(soft.product) << " " << show(soft.quotient) << " "
         << std::hex << soft.asDouble << " " << soft.comparisons << " "
         << soft.truncated.value_or(-1) << "\n  x87:  " << show(hardware.sum) << " "
         << show(hardware.difference) << " " << show(hardware.product) << " "
         << show(hardware.quotient) << " " << hardware.asDouble << " " << hardware.comparisons
         << " " << hardware.truncated.value_or(-1);
}

class SoftExtendedVsX87 : public ::testing::Test {
 protected:
  void SetUp() override { UseExtendedPrecision(); }
};

TEST_F(SoftExtendedVsX87, EdgeOperands) {
  const auto edges = EdgeOperands(OperandKinds::kAll);
  for (const ExtendedBits a : edges) {
    for (const ExtendedBits b : edges) {
      ASSERT_TRUE(SameOutcome(a, b));
    }
  }
}

TEST_F(SoftExtendedVsX87, AMillionRandomOperands) {
  RandomOperands random(1, OperandKinds::kAll);
  for (int i = 0; i < 1000000; ++i) {
    const ExtendedBits a = random.Next();
    ASSERT_TRUE(SameOutcome(a, random.NextNear(a)));
  }
}

TEST_F(SoftExtendedVsX87, LoadsIntegersAndDoublesAsTheX87Does) {
  RandomOperands random(2, OperandKinds::kAll);
  for (const std::int32_t i : {0, 1, -1, INT32_MAX, INT32_MIN, 180, -180}) {
    ASSERT_EQ(SoftExtended(i).Bits(), X87Bits(i)) << i;
  }
  for (int n = 0; n < 200000; ++n) {
    std::uint64_t bits = random.Bits64();
    // Often a NaN, an infinity, a zero or a subnormal.
    switch (n % 4) {
      case 0:
        bits |= std::uint64_t{0x7FF} << 52;
        break;
      case 1:
        bits &= ~(std::uint64_t{0x7FF} << 52);
        break;
      default:
        break;
    }
    const double d = std::bit_cast<double>(bits);
    ASSERT_EQ(SoftExtended(d).Bits(), X87Bits(d)) << std::hex << bits;
    const auto i = static_cast<std::int32_t>(bits);
    ASSERT_EQ(SoftExtended(i).Bits(), X87Bits(i)) << i;
  }
}

}  // namespace
}  // namespace ormakin

#endif
