// SoftExtended against MPFR, which rounds correctly by construction: at a
// precision of 64 bits, with the exponent range of the extended format and
// its subnormals, every sum, difference, product and quotient of finite
// operands must have the same bits, and so must the conversions from and to
// double. The x87's own choices (NaNs, invalid operations) are checked
// against the hardware in x87_differential_test.cpp.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/extended/soft_extended.h"
#include "operands.h"

namespace ormakin {
namespace {

using testing::EdgeOperands;
using testing::OperandKinds;
using testing::RandomOperands;

constexpr int kBias = 16383;

// An MPFR number at the given precision, freed at the end of its scope.
class Real {
 public:
  explicit Real(mpfr_prec_t precision = 64) { mpfr_init2(value_, precision); }
  ~Real() { mpfr_clear(value_); }
  Real(const Real&) = delete;
  Real& operator=(const Real&) = delete;
  mpfr_ptr get() { return value_; }

 private:
  mpfr_t value_;
};

// Sets the exponent range of MPFR for the duration of a scope. MPFR's
// exponent is that of a significand in [1/2, 1): the smallest subnormal,
// 2^(emin - 1), and every value below 2^emax fit.
class ExponentRange {
 public:
  ExponentRange(mpfr_exp_t emin, mpfr_exp_t emax)
      : oldMin_(mpfr_get_emin()), oldMax_(mpfr_get_emax()) {
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
  }
  ~ExponentRange() {
    mpfr_set_emin(oldMin_);
    mpfr_set_emax(oldMax_);
  }
  ExponentRange(const ExponentRange&) = delete;
  ExponentRange& operator=(const ExponentRange&) = delete;

 private:
  mpfr_exp_t oldMin_;
  mpfr_exp_t oldMax_;
};

constexpr mpfr_exp_t kExtendedMin = 1 - kBias - 63 + 1;  // 2^-16445 = 0.5 * 2^-16444
constexpr mpfr_exp_t kExtendedMax = kBias + 1;

// The exact value of finite extended bits.
void SetFromBits(mpfr_ptr out, ExtendedBits bits) {
  const int exponent = bits.signExponent & 0x7FFF;
  mpfr_set_uj(out, bits.significand, MPFR_RNDN);
  mpfr_mul_2si(out, out, (exponent == 0 ? 1 : exponent) - kBias - 63, MPFR_RNDN);
  if ((bits.signExponent & 0x8000) != 0) mpfr_neg(out, out, MPFR_RNDN);
}

// The bits of a value that MPFR has rounded to the extended format.
ExtendedBits BitsOf(mpfr_ptr value) {
  const std::uint16_t sign = mpfr_signbit(value) != 0 ? 0x8000 : 0;
  if (mpfr_inf_p(value) != 0) return {static_cast<std::uint16_t>(sign | 0x7FFF), 1ull << 63};
  if (mpfr_zero_p(value) != 0) return {sign, 0};
  Real scaled;
  const mpfr_exp_t exponent = mpfr_get_exp(value);  // value = m * 2^exponent, m in [1/2, 1)
  const mpfr_exp_t biased = exponent - 1 + kBias;
  // A subnormal is counted in units of the smallest one.
  const mpfr_exp_t scale = biased >= 1 ? 64 - exponent : kBias + 62;
  mpfr_abs(scaled.get(), value, MPFR_RNDN);
  mpfr_mul_2si(scaled.get(), scaled.get(), scale, MPFR_RNDN);
  return {static_cast<std::uint16_t>(sign | (biased >= 1 ? biased : 0)),
          static_cast<std::uint64_t>(mpfr_get_uj(scaled.get(), MPFR_RNDN))};
}

enum class Op { kAdd, kSub, kMul, kDiv };

ExtendedBits Reference(Op op, ExtendedBits a, ExtendedBits b) {
  const ExponentRange range(kExtendedMin, kExtendedMax);
  Real x;
  Real y;
  Real r;
  SetFromBits(x.get(), a);
  SetFromBits(y.get(), b);
  int inexact = 0;
  switch (op) {
    case Op::kAdd:
      inexact = mpfr_add(r.get(), x.get(), y.get(), MPFR_RNDN);
      break;
    case Op::kSub:
      inexact = mpfr_sub(r.get(), x.get(), y.get(), MPFR_RNDN);
      break;
    case Op::kMul:
      inexact = mpfr_mul(r.get(), x.get(), y.get(), MPFR_RNDN);
      break;
    case Op::kDiv:
      inexact = mpfr_div(r.get(), x.get(), y.get(), MPFR_RNDN);
      break;
  }
  inexact = mpfr_check_range(r.get(), inexact, MPFR_RNDN);
  mpfr_subnormalize(r.get(), inexact, MPFR_RNDN);
  return BitsOf(r.get());
}

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

// Checks every operation on a and b; false after the first mismatch.
bool AgreesWithReference(ExtendedBits a, ExtendedBits b) {
  for (const Op op : {Op::kAdd, Op::kSub, Op::kMul, Op::kDiv}) {
    if (op == Op::kDiv && (b.significand == 0)) continue;  // 0/0 and x/0 are not MPFR's to say
    const ExtendedBits expected = Reference(op, a, b);
    const ExtendedBits actual =
        Apply(op, SoftExtended::FromBits(a), SoftExtended::FromBits(b)).Bits();
    EXPECT_EQ(actual, expected) << std::hex << "op " << static_cast<int>(op) << " on "
                                << a.signExponent << ":" << a.significand << " and "
                                << b.signExponent << ":" << b.significand << ": got "
                                << actual.signExponent << ":" << actual.significand << ", expected "
                                << expected.signExponent << ":" << expected.significand;
    if (actual != expected) return false;
  }
  return true;
}

TEST(SoftExtendedVsMpfr, ArithmeticOnEdgeOperands) {
  const auto edges = EdgeOperands(OperandKinds::kFinite);
  for (const ExtendedBits a : edges) {
    for (const ExtendedBits b : edges) {
      ASSERT_TRUE(AgreesWithReference(a, b));
    }
  }
}

TEST(SoftExtendedVsMpfr, ArithmeticOnRandomOperands) {
  RandomOperands random(20261208, OperandKinds::kFinite);
  for (int i = 0; i < 50000; ++i) {
    const ExtendedBits a = random.Next();
    ASSERT_TRUE(AgreesWithReference(a, random.NextNear(a)));
  }
}

// The double nearest to the extended value, as MPFR rounds it (subnormal
// doubles included).
std::uint64_t ReferenceDouble(ExtendedBits bits) {
  Real exact;
  SetFromBits(exact.get(), bits);
  return std::bit_cast<std::uint64_t>(mpfr_get_d(exact.get(), MPFR_RNDN));
}

TEST(SoftExtendedVsMpfr, ConversionsToAndFromDouble) {
  auto check = [](ExtendedBits bits) {
    const std::uint64_t actual =
        std::bit_cast<std::uint64_t>(static_cast<double>(SoftExtended::FromBits(bits)));
    EXPECT_EQ(actual, ReferenceDouble(bits))
        << std::hex << bits.signExponent << ":" << bits.significand;
    return actual == ReferenceDouble(bits);
  };
  for (const ExtendedBits bits : EdgeOperands(OperandKinds::kFinite)) {
    ASSERT_TRUE(check(bits));
  }
  RandomOperands random(7, OperandKinds::kFinite);
  for (int i = 0; i < 50000; ++i) {
    ASSERT_TRUE(check(random.Next()));
    // Every finite double, subnormals too, converts exactly.
    const double d = std::bit_cast<double>(random.Bits64());
    if (std::isfinite(d)) {
      const ExponentRange range(kExtendedMin, kExtendedMax);
      Real exact;
      mpfr_set_d(exact.get(), d, MPFR_RNDN);
      ASSERT_EQ(SoftExtended(d).Bits(), BitsOf(exact.get())) << d;
    }
  }
}

}  // namespace
}  // namespace ormakin
