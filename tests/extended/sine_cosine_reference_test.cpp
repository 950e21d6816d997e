// SinCosBits against MPFR: the truth at 1000 bits, rounded to nearest even
// at 64 bits in the extended exponent range. Every case must be correctly
// rounded; the counts of cases are printed. ORMAKIN_FULL_REFERENCE=1 runs
// the full ranges (a million random arguments, every double within 2^16
// ulps of k pi/2); by default each range is a part of that, taken evenly.
// The 64-bit significands go in and out through MPFR's intmax_t functions.
#include <cstdint>
#define MPFR_USE_INTMAX_T
#include <gmp.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/extended/sine_cosine.h"

namespace ormakin {
namespace {

constexpr int kBias = 16383;
constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;

bool FullRun() {
  const char* full = std::getenv("ORMAKIN_FULL_REFERENCE");
  return full != nullptr && std::strcmp(full, "1") == 0;
}

// Of a range of n cases, the step between those run: all in a full run.
std::uint64_t Stride(std::uint64_t full, std::uint64_t quick) {
  return FullRun() ? 1 : full / quick;
}

class Mpfr {
 public:
  explicit Mpfr(mpfr_prec_t precision) { mpfr_init2(value_, precision); }
  ~Mpfr() { mpfr_clear(value_); }
  Mpfr(const Mpfr&) = delete;
  Mpfr& operator=(const Mpfr&) = delete;
  mpfr_ptr get() { return value_; }

 private:
  mpfr_t value_;
};

// An extended number (finite, not an unnormal) into a 64-bit MPFR value.
void SetExtended(mpfr_ptr out, ExtendedBits x) {
  const int biased = x.signExponent & 0x7FFF;
  const int exponent = (biased == 0 ? 1 : biased) - kBias - 63;
  mpfr_set_uj_2exp(out, x.significand, exponent, MPFR_RNDN);  // exact
  if ((x.signExponent & 0x8000) != 0) {
    mpfr_neg(out, out, MPFR_RNDN);
  }
}

// A 64-bit MPFR value in the extended range (subnormal, normal or zero) as
// bits.
ExtendedBits ToExtended(mpfr_srcptr v) {
  const std::uint16_t sign = mpfr_signbit(v) ? 0x8000 : 0;
  if (mpfr_zero_p(v)) {
    return {sign, 0};
  }
  // v = 0.1... * 2^exponent; a subnormal has the smallest normal's scale.
  const mpfr_exp_t exponent = std::max<mpfr_exp_t>(mpfr_get_exp(v), 1 - kBias + 1);
  Mpfr scaled(64);
  mpfr_abs(scaled.get(), v, MPFR_RNDN);
  mpfr_mul_2si(scaled.get(), scaled.get(), 64 - exponent, MPFR_RNDN);
  const auto significand = static_cast<std::uint64_t>(mpfr_get_uj(scaled.get(), MPFR_RNDN));
  const int biased = (significand & kIntegerBit) != 0 ? static_cast<int>(exponent) - 1 + kBias : 0;
  return {static_cast<std::uint16_t>(biased | sign), significand};
}

ExtendedBits FromDouble(double d) {
  Mpfr v(64);
  mpfr_set_d(v.get(), d, MPFR_RNDN);
  return ToExtended(v.get());
}

// Sine and cosine correctly rounded to the extended format.
SineCosineBits Truth(ExtendedBits x) {
  Mpfr argument(64);
  SetExtended(argument.get(), x);
  Mpfr sin(1000);
  Mpfr cos(1000);
  mpfr_sin_cos(sin.get(), cos.get(), argument.get(), MPFR_RNDN);
  mpfr_set_emin(-16444);  // the smallest subnormal is 0.1 * 2^-16444
  mpfr_set_emax(16384);
  SineCosineBits out;
  for (auto [precise, bits] : {std::pair{sin.get(), &out.sin}, std::pair{cos.get(), &out.cos}}) {
    Mpfr rounded(64);
    const int inexact = mpfr_set(rounded.get(), precise, MPFR_RNDN);
    mpfr_subnormalize(rounded.get(), inexact, MPFR_RNDN);
    *bits = ToExtended(rounded.get());
  }
  mpfr_set_emin(mpfr_get_emin_min());
  mpfr_set_emax(mpfr_get_emax_max());
  return out;
}

// The distance in ulps of two finite results of one sign: their places in
// the order of all extended values (2^63 of them per binade, subnormals
// below the first), or UINT64_MAX when that is further or the signs differ.
std::uint64_t UlpsApart(ExtendedBits a, ExtendedBits b) {
  if ((a.signExponent & 0x8000) != (b.signExponent & 0x8000)) {
    return UINT64_MAX;
  }
  const int ea = a.signExponent & 0x7FFF, eb = b.signExponent & 0x7FFF;
  const bool aAbove = ea != eb ? ea > eb : a.significand > b.significand;
  const ExtendedBits& high = aAbove ? a : b;
  const ExtendedBits& low = aAbove ? b : a;
  const int binades = (high.signExponent & 0x7FFF) - (low.signExponent & 0x7FFF);
  if (binades > 1) {
    return UINT64_MAX;
  }
  // The fractions, and 2^63 for the binade between them (a subnormal's
  // fraction is its whole significand, just below the smallest normal).
  const std::uint64_t highFraction = high.significand & ~kIntegerBit;
  const std::uint64_t lowFraction = low.significand & ~kIntegerBit;
  return binades == 0 ? highFraction - lowFraction : kIntegerBit - lowFraction + highFraction;
}

std::string Describe(ExtendedBits v) {
  char text[40];
  std::snprintf(text, sizeof text, "%04X:%016" PRIX64, v.signExponent, v.significand);
  return text;
}

// Tallies of one range of arguments.
struct Tally {
  std::uint64_t tested = 0;
  std::uint64_t oneUlp = 0;
  std::uint64_t worse = 0;

  void Check(ExtendedBits x) {
    const SineCosineBits got = SinCosBits(x);
    const SineCosineBits want = Truth(x);
    ++tested;
    for (auto [g, w] : {std::pair{got.sin, want.sin}, std::pair{got.cos, want.cos}}) {
      if (g == w) {
        continue;
      }
      const std::uint64_t apart = UlpsApart(g, w);
      (apart == 1 ? oneUlp : worse) += 1;
      ADD_FAILURE() << "x = " << Describe(x) << ": got " << Describe(g) << ", want " << Describe(w);
    }
  }

  void Report(const char* range) const {
    std::printf("%s: %" PRIu64 " arguments, %" PRIu64 " results off by 1 ulp, %" PRIu64
                " further off\n",
                range, tested, oneUlp, worse);
    EXPECT_EQ(oneUlp + worse, 0u);
  }
};

ExtendedBits Make(bool negative, int exponent, std::uint64_t significand) {
  return {static_cast<std::uint16_t>((exponent + kBias) | (negative ? 0x8000 : 0)), significand};
}

TEST(SineCosineReference, RandomArgumentsOverEveryExponent) {
  // Exponents from where sin x stops being x to the largest reduced one.
  std::mt19937_64 random(20240611);
  std::uniform_int_distribution<int> exponent(-36, 62);
  const std::uint64_t count = FullRun() ? 1000000 : 100000;
  Tally tally;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t bits = random();
    tally.Check(Make((bits & 1) != 0, exponent(random), random() | kIntegerBit));
  }
  tally.Report("random");
}

TEST(SineCosineReference, DoublesNextToMultiplesOfHalfPi) {
  // Every double within 2^16 ulps of k pi/2 (k = 1 .. 4), where the reduced
  // argument is tiny and everything rests on its relative accuracy.
  constexpr std::int64_t kReach = 1 << 16;
  const std::uint64_t stride = Stride(2 * kReach, 2048);
  Tally tally;
  for (int k = 1; k <= 4; ++k) {
    Mpfr multiple(53);
    mpfr_const_pi(multiple.get(), MPFR_RNDN);
    mpfr_mul_si(multiple.get(), multiple.get(), k, MPFR_RNDN);
    mpfr_div_2ui(multiple.get(), multiple.get(), 1, MPFR_RNDN);
    const auto centre = std::bit_cast<std::int64_t>(mpfr_get_d(multiple.get(), MPFR_RNDN));
    for (std::int64_t step = -kReach; step < kReach; step += static_cast<std::int64_t>(stride)) {
      tally.Check(FromDouble(std::bit_cast<double>(centre + step)));
    }
  }
  tally.Report("doubles near k pi/2");
}

TEST(SineCosineReference, HeadingsTurnedByExtendedQuarterAndHalfTurns) {
  // D + pi/2, D - pi/2 and D + pi in extended arithmetic, as the car turns
  // its heading D (a double in [0, 2 pi]) to place its sensors and corners.
  const ExtendedBits halfPi = {0x3FFF, 0xC90FDAA22168C235};
  const ExtendedBits pi = {0x4000, 0xC90FDAA22168C235};
  const int count = FullRun() ? 200000 : 20000;
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> heading(0.0, 6.283185307179586);
  Tally tally;
  Mpfr d(64), offset(64), sum(64);
  for (int i = 0; i < count; ++i) {
    // Every tenth heading a whole degree, as the rules turn by degrees.
    const double h = i % 10 == 0 ? (i / 10 % 361) * 0.017453292519943295 : heading(random);
    mpfr_set_d(d.get(), h, MPFR_RNDN);
    for (auto [constant, sign] : {std::pair{halfPi, 1}, std::pair{halfPi, -1}, std::pair{pi, 1}}) {
      SetExtended(offset.get(), constant);
      if (sign < 0) {
        mpfr_sub(sum.get(), d.get(), offset.get(), MPFR_RNDN);
      } else {
        mpfr_add(sum.get(), d.get(), offset.get(), MPFR_RNDN);
      }
      tally.Check(ToExtended(sum.get()));
    }
  }
  tally.Report("headings turned by extended pi/2 and pi");
}

TEST(SineCosineReference, EdgesOfTheRanges) {
  Tally tally;
  const std::vector<ExtendedBits> edges = {
      Make(false, -33, UINT64_MAX),         // the largest argument with sin x = x
      Make(false, -32, kIntegerBit),        // 2^-32
      Make(true, -32, 0xB504F333F9DE6484),  // about -2^-31.5
      Make(false, -10, UINT64_MAX),         // just below the table's reach
      Make(false, -9, kIntegerBit),         // where it starts
      Make(false, -1, 0xC90FDAA22168C234),  // the largest below pi/4
      Make(false, -1, 0xC90FDAA22168C235),  // the smallest above it
      Make(false, 62, UINT64_MAX),          // 2^63 - ulp
      Make(true, 62, UINT64_MAX),           //
      Make(false, 62, kIntegerBit),         // 2^62
      Make(false, 0, 0xC90FDAA22168C235),   // pi/2, extended
      Make(false, 1, 0xC90FDAA22168C235),   // pi
      Make(false, 1, 0xC90FDAA22168C234),   // pi, rounded down
      Make(false, 2, 0x96CBE3F9990E91A8),   // 3 pi/2
      Make(false, 2, 0xC90FDAA22168C235),   // 2 pi
      {0x0000, 0x0000000000000001},         // the smallest subnormal
      {0x8000, 0x7FFFFFFFFFFFFFFF},         // the largest subnormal, negative
      {0x0001, kIntegerBit},                // the smallest normal
  };
  for (const ExtendedBits& x : edges) {
    tally.Check(x);
  }
  tally.Report("edges");
}

TEST(SineCosineReference, UlpsApartCountsAcrossBinades) {
  const struct {
    ExtendedBits a, b;
    std::uint64_t ulps;
  } cases[] = {
      {{0x3FFF, kIntegerBit}, {0x3FFF, kIntegerBit | 5}, 5},
      {{0x3FFF, kIntegerBit}, {0x3FFE, UINT64_MAX}, 1},  // 1 and the largest below it
      {{0x3FFE, kIntegerBit}, {0x3FFD, UINT64_MAX}, 1},  // the same, an even exponent
      {{0x3FFE, kIntegerBit | 2}, {0x3FFD, UINT64_MAX - 1}, 4},
      {{0x0001, kIntegerBit}, {0x0000, kIntegerBit - 1}, 1},  // normal and subnormal
      {{0x3FFF, kIntegerBit}, {0x3FFD, UINT64_MAX}, UINT64_MAX},
      {{0x3FFF, kIntegerBit}, {0xBFFF, kIntegerBit}, UINT64_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UlpsApart(c.a, c.b), c.ulps) << Describe(c.a) << " " << Describe(c.b);
    EXPECT_EQ(UlpsApart(c.b, c.a), c.ulps) << Describe(c.b) << " " << Describe(c.a);
  }
}

TEST(SineCosineReference, TinyArgumentsWhoseCosineLiesNearAHalfwayPoint) {
  // Between 2^-32 and 2^-29 the cosine lies between 1 - 2^-58 and
  // 1 - 2^-65, where the points halfway between extended values are
  // 1 - (2j + 1) 2^-65. Around the argument whose cosine is exactly each of
  // them, the extended arguments within 8 ulps (256 in a full run): one ulp
  // of the argument moves the cosine by 2^-63 to 2^-58 ulp, so the nearest
  // lie that close to the halfway point or closer, and the small-argument
  // path must get them right to beyond that.
  const int reach = FullRun() ? 256 : 8;
  Tally tally;
  Mpfr halfway(200), exact(200), x(64);
  for (int j = 0; j < 32; ++j) {
    mpfr_set_ui(halfway.get(), 2 * j + 1, MPFR_RNDN);
    mpfr_mul_2si(halfway.get(), halfway.get(), -65, MPFR_RNDN);
    mpfr_ui_sub(halfway.get(), 1, halfway.get(), MPFR_RNDN);  // exact
    mpfr_acos(exact.get(), halfway.get(), MPFR_RNDN);
    mpfr_set(x.get(), exact.get(), MPFR_RNDD);
    for (int k = 0; k < reach; ++k) {
      mpfr_nextbelow(x.get());
    }
    for (int k = 0; k <= 2 * reach; ++k) {
      const ExtendedBits argument = ToExtended(x.get());
      tally.Check(argument);
      tally.Check(
          {static_cast<std::uint16_t>(argument.signExponent | 0x8000), argument.significand});
      mpfr_nextabove(x.get());
    }
  }
  tally.Report("tiny arguments with a cosine near a halfway point");
}

TEST(SineCosineReference, ClosestArgumentsToMultiplesOfHalfPi) {
  // For each exponent from -1 to 62 the significand whose multiple of 2/pi
  // comes nearest an integer: the best denominator of the continued
  // fraction of 2^(e-63) * 2/pi below 2^64, found here with 1000-bit 2/pi.
  Tally tally;
  Mpfr c(1000), fraction(1000), scratch(1000);
  mpz_t q0, q1, digit, next;
  mpz_inits(q0, q1, digit, next, nullptr);
  for (int e = -1; e <= 62; ++e) {
    mpfr_const_pi(c.get(), MPFR_RNDN);
    mpfr_ui_div(c.get(), 2, c.get(), MPFR_RNDN);
    mpfr_mul_2si(c.get(), c.get(), e - 63, MPFR_RNDN);
    mpfr_frac(fraction.get(), c.get(), MPFR_RNDN);
    // Denominators of the convergents: q0, q1 the last two, from 0 and 1.
    mpz_set_ui(q0, 0);
    mpz_set_ui(q1, 1);
    std::uint64_t best = 1;
    for (int step = 0; step < 200 && !mpfr_zero_p(fraction.get()); ++step) {
      mpfr_ui_div(fraction.get(), 1, fraction.get(), MPFR_RNDN);
      mpfr_get_z(digit, fraction.get(), MPFR_RNDZ);
      mpfr_frac(fraction.get(), fraction.get(), MPFR_RNDN);
      mpz_mul(next, digit, q1);
      mpz_add(next, next, q0);
      if (mpz_sizeinbase(next, 2) > 64) {
        break;
      }
      mpz_set(q0, q1);
      mpz_set(q1, next);
      best = mpz_get_ui(q1);
    }
    // best * 2^(e-63), normalised to a 64-bit significand.
    const int zeros = std::countl_zero(best);
    const int exponent = e - zeros;
    if (exponent >= -1) {
      tally.Check(Make(false, exponent, best << zeros));
      tally.Check(Make(true, exponent, best << zeros));
    }
  }
  mpz_clears(q0, q1, digit, next, nullptr);
  tally.Report("closest to multiples of pi/2");
}

}  // namespace
}  // namespace ormakin
