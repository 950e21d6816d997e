// The decimal conversion against MPFR on the build machine: random decimal
// texts of every length and magnitude, and texts on and beside the points
// halfway between two extended values, converted by both and compared bit
// for bit; the double results against this machine's own long double path.
// MPFR serves only here: no program links it.
#include <gmp.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/base/errors.h"
#include "core/extended/decimal_to_extended.h"
#include "core/extended/extended_to_double.h"
#include "core/settings/parse_number.h"

namespace ormakin {
namespace {

constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;

// MPFR's numbers are 0.1xxx × 2^E: the extended range is E in
// [-16444, 16384] with 64 bits, fewer below 2^-16382 (subnormalized).
class MpfrExtended {
 public:
  MpfrExtended() {
    mpfr_init2(value_, 64);
    mpz_init(significand_);
  }
  ~MpfrExtended() {
    mpz_clear(significand_);
    mpfr_clear(value_);
  }
  MpfrExtended(const MpfrExtended&) = delete;
  MpfrExtended& operator=(const MpfrExtended&) = delete;

  ExtendedBits FromDecimal(const std::string& text) {
    const mpfr_exp_t savedMin = mpfr_get_emin();
    const mpfr_exp_t savedMax = mpfr_get_emax();
    mpfr_set_emin(-16444);
    mpfr_set_emax(16384);
    int ternary = mpfr_strtofr(value_, text.c_str(), nullptr, 10, MPFR_RNDN);
    mpfr_subnormalize(value_, ternary, MPFR_RNDN);
    mpfr_set_emin(savedMin);
    mpfr_set_emax(savedMax);
    return Bits();
  }

 private:
  ExtendedBits Bits() {
    const std::uint16_t sign = mpfr_signbit(value_) != 0 ? 0x8000 : 0;
    if (mpfr_inf_p(value_) != 0) return {static_cast<std::uint16_t>(sign | 0x7FFF), kIntegerBit};
    if (mpfr_zero_p(value_) != 0) return {sign, 0};
    // value = significand × 2^exponent, the significand of exactly 64 bits.
    const long exponent = mpfr_get_z_2exp(significand_, value_);
    mpz_abs(significand_, significand_);
    const std::uint64_t bits = mpz_get_ui(significand_);
    if (exponent + 63 >= -16382) {
      return {static_cast<std::uint16_t>(sign | (exponent + 63 + 16383)), bits};
    }
    return {sign, bits >> (-16445 - exponent)};
  }

  mpfr_t value_;
  mpz_t significand_;
};

std::string Hex(const ExtendedBits& bits) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X:%016llX", bits.signExponent,
                static_cast<unsigned long long>(bits.significand));
  return text;
}

struct DecimalText {
  std::string integerDigits;
  std::string fractionDigits;
  long exponent = 0;

  std::string Text() const {
    return integerDigits + "." + fractionDigits + "E" + std::to_string(exponent);
  }
};

// Digits of many lengths (mostly short, as settings hold them), cut into
// integer part and fraction anywhere, at a magnitude anywhere from below the
// smallest subnormal to beyond the largest extended value.
DecimalText RandomDecimal(std::mt19937_64& random) {
  std::uniform_int_distribution<int> lengthKind(0, 9);
  const int kind = lengthKind(random);
  const int maxLength = kind < 6 ? 25 : kind < 9 ? 120 : 400;
  const int length = std::uniform_int_distribution<int>(1, maxLength)(random);
  std::uniform_int_distribution<int> digit(0, 9);
  std::string digits;
  for (int i = 0; i < length; ++i) digits += static_cast<char>('0' + digit(random));
  const auto cut = std::uniform_int_distribution<std::size_t>(0, digits.size())(random);
  DecimalText text{digits.substr(0, cut), digits.substr(cut), 0};
  const long magnitude = std::uniform_int_distribution<long>(-4960, 4940)(random);
  text.exponent = magnitude - static_cast<long>(cut);
  text.exponent = std::max(-4999L, std::min(4999L, text.exponent));
  return text;
}

TEST(DecimalReference, RandomTextsRoundAsMpfrRounds) {
  MpfrExtended reference;
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 6000; ++i) {
    const DecimalText text = RandomDecimal(random);
    const bool negative = (i & 1) != 0;
    const ExtendedBits ours =
        ExtendedFromDecimal(negative, text.integerDigits, text.fractionDigits, text.exponent);
    const ExtendedBits expected = reference.FromDecimal((negative ? "-" : "") + text.Text());
    ASSERT_EQ(ours, expected) << text.Text() << ": " << Hex(ours) << " against " << Hex(expected);
  }
}

// The exact decimal of m × 2^power, as digits and a power of ten.
DecimalText ExactText(std::uint64_t high, std::uint64_t low, long power) {
  mpz_t n;
  mpz_init(n);
  mpz_set_ui(n, high);
  mpz_mul_2exp(n, n, 64);
  mpz_add_ui(n, n, low);
  if (power >= 0) {
    mpz_mul_2exp(n, n, static_cast<mp_bitcnt_t>(power));
  } else {
    mpz_t five;
    mpz_init(five);
    mpz_ui_pow_ui(five, 5, static_cast<unsigned long>(-power));
    mpz_mul(n, n, five);
    mpz_clear(five);
  }
  char* digits = mpz_get_str(nullptr, 10, n);
  DecimalText text{digits, "", power >= 0 ? 0 : power};
  void (*release)(void*, std::size_t) = nullptr;
  mp_get_memory_functions(nullptr, nullptr, &release);
  release(digits, std::strlen(digits) + 1);
  mpz_clear(n);
  return text;
}

TEST(DecimalReference, HalfwayPointsAndTheirNeighboursRoundAsMpfrRounds) {
  MpfrExtended reference;
  std::mt19937_64 random(4933);
  for (int i = 0; i < 500; ++i) {
    // Halfway above a random extended value: (2 × significand + 1) × 2^(unit - 1),
    // from the subnormals up to the largest value.
    const std::uint64_t significand = random() | (i % 7 == 0 ? 0 : kIntegerBit);
    const long unit =
        i % 7 == 0 ? -16445 : std::uniform_int_distribution<long>(-16445, 16320)(random);
    const std::uint64_t high = significand >> 63;
    const std::uint64_t low = (significand << 1) | 1;
    DecimalText text = ExactText(high, low, unit - 1);
    // On the point, a hair above it, and a hair below it.
    for (int variant = 0; variant < 3; ++variant) {
      DecimalText probe = text;
      if (variant == 1) {
        probe.integerDigits += "00000000000000000000001";
        probe.exponent -= 23;
      } else if (variant == 2) {
        // Less one in the last place, with a borrow through trailing zeros.
        std::size_t last = probe.integerDigits.size() - 1;
        for (; probe.integerDigits[last] == '0'; --last) probe.integerDigits[last] = '9';
        --probe.integerDigits[last];
        probe.integerDigits += "99999999999999999999";
        probe.exponent -= 20;
      }
      const ExtendedBits ours = ExtendedFromDecimal(false, probe.integerDigits, {}, probe.exponent);
      const ExtendedBits expected = reference.FromDecimal(probe.Text());
      ASSERT_EQ(ours, expected) << "variant " << variant << " of " << Hex({0, significand})
                                << " at 2^" << unit << ": " << Hex(ours) << " against "
                                << Hex(expected);
    }
  }
}

#if defined(__x86_64__) && LDBL_MANT_DIG == 64

// This machine's long double is the extended format itself.
long double AsLongDouble(const ExtendedBits& bits) {
  struct Layout {
    std::uint64_t significand;
    std::uint16_t signExponent;
    std::uint16_t padding[3];
  };
  return std::bit_cast<long double>(Layout{bits.significand, bits.signExponent, {}});
}

TEST(DecimalReference, NarrowingMatchesTheProcessor) {
  std::mt19937_64 random(1023);
  for (int i = 0; i < 200000; ++i) {
    // Exponents around the whole double range and beyond it; every kind of
    // significand, with the low bits often at a tie.
    const auto exponent = static_cast<std::uint16_t>(
        std::uniform_int_distribution<int>(16383 - 1100, 16383 + 1100)(random));
    std::uint64_t significand = random() | kIntegerBit;
    if (i % 3 == 0) significand = (significand & ~std::uint64_t{0x7FF}) | 0x400;
    const ExtendedBits bits{static_cast<std::uint16_t>(exponent | (i % 2 != 0 ? 0x8000 : 0)),
                            significand};
    const auto ours = std::bit_cast<std::uint64_t>(NarrowToDouble(bits));
    const auto processor = std::bit_cast<std::uint64_t>(static_cast<double>(AsLongDouble(bits)));
    ASSERT_EQ(ours, processor) << Hex(bits);
  }
}

TEST(DecimalReference, ParseRealGivesWhatTheLongDoublePathGave) {
  // The program's results before its conversion was its own: strtold to
  // extended, narrowed to double. Texts whose extended value overflows are
  // no number for ParseReal and are left out.
  std::mt19937_64 random(308);
  for (int i = 0; i < 6000; ++i) {
    DecimalText text = RandomDecimal(random);
    // Mostly magnitudes around the double range.
    if (i % 4 != 0) {
      const long magnitude = std::uniform_int_distribution<long>(-330, 310)(random);
      text.exponent = magnitude - static_cast<long>(text.integerDigits.size());
    }
    const std::string written = text.Text();
    const long double extended = std::strtold(written.c_str(), nullptr);
    if (extended > LDBL_MAX) continue;
    const double expected = static_cast<double>(extended);
    try {
      const double ours = ParseReal(written);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(ours), std::bit_cast<std::uint64_t>(expected))
          << written;
    } catch (const EOverflow&) {
      ASSERT_GT(expected, DBL_MAX) << written;
    }
  }
}

#endif

}  // namespace
}  // namespace ormakin
