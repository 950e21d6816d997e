#include "core/extended/sine_cosine.h"

#include <algorithm>
#include <cstdint>

#include "core/extended/fixed_point.h"
#include "core/extended/sine_cosine_tables.h"

namespace ormakin {
namespace {

using namespace sine_cosine;
using namespace extended_format;

// Below this exponent sin x rounds to x and cos x to 1.
constexpr int kTinyExponent = -32;
// The largest significand at exponent -1 that lies below pi/4.
constexpr std::uint64_t kBelowQuarterPi = 0xC90FDAA22168C234;
// Words of 2/pi tried first; enough for every argument below 2^48 and for
// all but a few in 2^16 above.
constexpr int kShortWords = 3;
// Below 2^-124 relative the reduced argument is exact enough.
constexpr int kReductionBits = 124;
static_assert(64 * kTwoOverPiWords + 1 - (kReductionBits + 65) >= kClosestReductionBits,
              "2/pi must have enough bits for the closest approach to a multiple of pi/2");

// A positive value: significand (bit 127 set) times 2^(exponent - 127).
struct Normal {
  U128 significand;
  int exponent = 0;
};

struct Signed {
  Normal value;
  bool negative = false;
};

// a when `first`, else b, word by word (conditional moves, not a branch or
// a copy through memory).
Normal Select(bool first, const Normal& a, const Normal& b) {
  return {
      {first ? a.significand.hi : b.significand.hi, first ? a.significand.lo : b.significand.lo},
      first ? a.exponent : b.exponent};
}

// Rounds to the extended format at the 64-bit significand, nearest even.
ExtendedBits Round(const Signed& v) {
  std::uint64_t significand = v.value.significand.hi;
  int exponent = v.value.exponent;
  const std::uint64_t rest = v.value.significand.lo;
  // Without a branch on the rest, whose bits are as good as random.
  significand += static_cast<std::uint64_t>(rest > kIntegerBit) |
                 (static_cast<std::uint64_t>(rest == kIntegerBit) & significand & 1);
  if (significand == 0) {
    significand = kIntegerBit;
    ++exponent;
  }
  const auto biased = static_cast<std::uint16_t>(exponent + kBias);
  return {static_cast<std::uint16_t>(biased | (v.negative ? kSignBit : 0)), significand};
}

// A non-zero fraction of 2^128 as a normal value.
Normal FromFraction(U128 f) {
  const int zeros = CountLeadingZeros(f);
  return {ShiftLeft(f, zeros), -1 - zeros};
}

// |x| = quadrant * pi/2 + r, r of either sign.
struct Reduced {
  Normal r;  // |r|
  bool negative = false;
  unsigned quadrant = 0;
};

// The reduction of m * 2^-t (t = 1 .. 64) with `words` words of 2/pi; false
// when the fraction is too close to zero to be known well enough from them.
template <int words>
bool ReduceWith(std::uint64_t m, int t, Reduced& out) {
  // m * 2/pi, most significant word first; its binary point lies t bits
  // above the bottom of the first word.
  std::uint64_t product[words + 1];
  std::uint64_t carry = 0;
  for (int j = words - 1; j >= 0; --j) {
    const U128 partial = Add(Mul64(m, kTwoOverPi[j]), {0, carry});
    product[j + 1] = partial.lo;
    carry = partial.hi;
  }
  product[0] = carry;
  out.quadrant = t < 64 ? static_cast<unsigned>(product[0] >> t) : 0;
  // The fraction, moved up to start at the top of a word, with zero words
  // after it for the normalising shift.
  std::uint64_t fraction[words + 3] = {};
  for (int j = 0; j <= words; ++j) {
    const std::uint64_t next = j < words ? product[j + 1] : 0;
    fraction[j] = t == 64 ? product[j] : (product[j] << (64 - t)) | (next >> t);
  }
  // Nearest multiple of pi/2: a fraction of one half or more counts towards
  // the next quadrant and leaves 1 - fraction below it.
  // Without a branch: that bit is as good as random.
  out.negative = (fraction[0] & kIntegerBit) != 0;
  out.quadrant += out.negative ? 1 : 0;
  const std::uint64_t mask = 0 - static_cast<std::uint64_t>(out.negative);
  std::uint64_t increment = mask & 1;  // two's complement: invert, add one
  for (int j = words; j >= 0; --j) {
    fraction[j] = (fraction[j] ^ mask) + increment;
    increment &= static_cast<std::uint64_t>(fraction[j] == 0);
  }
  int zeros = 0;
  int word = 0;
  while (word <= words && fraction[word] == 0) {
    zeros += 64;
    ++word;
  }
  if (word <= words) {
    zeros += std::countl_zero(fraction[word]);
  }
  // The fraction errs by less than 2^(64 - t - 64 words) and is at least
  // 2^-(zeros + 1).
  if (zeros > 64 * words + t - (kReductionBits + 65)) {
    return false;
  }
  const int shift = zeros % 64;
  const std::uint64_t* top = fraction + zeros / 64;
  const U128 normalised = shift == 0 ? U128{top[0], top[1]}
                                     : U128{(top[0] << shift) | (top[1] >> (64 - shift)),
                                            (top[1] << shift) | (top[2] >> (64 - shift))};
  // r = fraction * pi/2 = normalised * 2^-(zeros + 128) * 2 * (pi/4).
  const U128 r = MulFraction(normalised, kQuarterPi);
  const int rZeros = CountLeadingZeros(r);  // 0 or 1
  out.r = {ShiftLeft(r, rZeros), -zeros - rZeros};
  return true;
}

// |x| = m * 2^(exponent - 63) with exponent -1 .. 62.
Reduced Reduce(std::uint64_t m, int exponent) {
  const int t = 63 - exponent;
  Reduced out;
  if (!ReduceWith<kShortWords>(m, t, out)) {
    ReduceWith<kTwoOverPiWords>(m, t, out);  // always enough, as asserted above
  }
  return out;
}

// The two polynomials of u = r^2 (u <= 2^-18), as fractions of 2^128:
//   S(u) = 1/3! - u (1/5! - u (1/7! - u (1/9! - u/11!))),
//   C(u) = 1/2! - u (1/4! - u (1/6! - u (1/8! - u/10!))).
// Only the outer two steps need 128 bits: an error in the third is damped
// by u^2 <= 2^-36 before it reaches S or C, so the inner steps run in
// single words, each scaled to use its 64 bits (2^76/7! and 2^82/9! of the
// sine, 2^73/6! and 2^79/8! of the cosine), with u as uw = u * 2^81.
struct Polynomials {
  U128 sin;
  U128 cos;
};

Polynomials SinCosPolynomials(U128 u) {
  const std::uint64_t uw = ShiftRight(u, 47).lo;
  // 2^82 (1/9! - u/11!), then 2^76 (1/7! - u (...)); likewise 2^79 and 2^73.
  const std::uint64_t sin9 = kSinInner[1] - Mul64(uw, kSinInner[2]).hi;
  const std::uint64_t sin7 = kSinInner[0] - (Mul64(uw, sin9).hi >> 23);
  const std::uint64_t cos8 = kCosInner[1] - Mul64(uw, kCosInner[2]).hi;
  const std::uint64_t cos6 = kCosInner[0] - (Mul64(uw, cos8).hi >> 23);
  // u times those, as fractions of 2^128: uw * 2^-81 * w * 2^-76 * 2^128.
  const U128 sin5 = Sub(kSinOuter[1], ShiftRight(Mul64(uw, sin7), 29));
  const U128 cos4 = Sub(kCosOuter[1], ShiftRight(Mul64(uw, cos6), 26));
  return {Sub(kSinOuter[0], MulFraction(u, sin5)), Sub(kCosOuter[0], MulFraction(u, cos4))};
}

struct SinCosOfReduced {
  Normal sin;
  Normal cos;
};

// Sine and cosine of r = significand * 2^(exponent - 127), 0 < r <= pi/4.
SinCosOfReduced SinCosOfSmall(const Normal& r) {
  // r < 2^-9: r^2 as a fraction, then sin r = r (1 - r^2 S), cos r =
  // 1 - r^2 C.
  const U128 square = MulFraction(r.significand, r.significand);
  const U128 u = ShiftRight(square, -2 * (r.exponent + 1));
  const U128 rSquare = MulFraction(r.significand, u);  // formed beside S
  const Polynomials p = SinCosPolynomials(u);
  const U128 sin = Sub(r.significand, MulFraction(rSquare, p.sin));
  const int sinZeros = CountLeadingZeros(sin);  // 0 or 1
  // 1 - cos r = r^2 C(r^2), formed from r^2 with its own exponent: as a
  // fraction of 2^128, u keeps too few bits of it where the cosine lies
  // within a few 2^-128 of a point halfway between two extended values.
  // scaled = (r 2^-(exponent+1))^2 C lies in [1/8, 1/2), and 1 - cos r is
  // scaled * 2^-shift as a fraction of 2^128.
  const U128 scaled = MulFraction(square, p.cos);
  const int shift = -2 * (r.exponent + 1);  // 18 or more
  const U128 oneMinusCos = ShiftRight(scaled, shift);
  const bool inexact = shift >= 128 || ShiftLeft(oneMinusCos, shift) != scaled;
  // 1 - (oneMinusCos + a part of a unit when inexact): the unit below, with
  // its lowest bit set for that part, which rounds the same, since the
  // rounding decides at bit 64. Below 1 by at least that part, so bit 127
  // is set.
  U128 cos = Sub(Sub(U128{}, oneMinusCos), {0, inexact ? 1u : 0u});
  cos.lo |= inexact ? 1u : 0u;
  return {{ShiftLeft(sin, sinZeros), r.exponent - sinZeros}, {cos, -1}};
}

SinCosOfReduced SinCosOfReducedArgument(const Normal& r) {
  if (r.exponent < -9) {
    return SinCosOfSmall(r);
  }
  // r as a fraction of 2^128, then the nearest table point i/256 and the
  // rest d = r - i/256, |d| <= 2^-9.
  const U128 fraction = ShiftRight(r.significand, -(r.exponent + 1));
  const int index =
      std::min(static_cast<int>((fraction.hi + (std::uint64_t{1} << 55)) >> 56), kTableLast);
  const U128 point{static_cast<std::uint64_t>(index) << 56, 0};
  const U128 signedD = Sub(fraction, point);
  const bool dNegative = (signedD.hi & kIntegerBit) != 0;
  const U128 d = AddOrSubtract({}, signedD, dNegative);
  const U128 u = MulFraction(d, d);
  const Polynomials p = SinCosPolynomials(u);
  const U128 sinD = Sub(d, MulFraction(d, MulFraction(u, p.sin)));
  const U128 oneMinusCosD = MulFraction(u, p.cos);
  const U128 s0 = kSinTable[index];
  const U128 c0 = kCosTable[index];
  // sin(r0 + d) = s0 - s0 (1 - cos d) + c0 sin d, cos(r0 + d) =
  // c0 - c0 (1 - cos d) - s0 sin d, with sin d of the sign of d. (Forming
  // the products that need no polynomial beside it shortens the chain of
  // dependent steps but costs four more products, and is no faster.)
  const U128 sinBase = Sub(s0, MulFraction(s0, oneMinusCosD));
  const U128 cosBase = Sub(c0, MulFraction(c0, oneMinusCosD));
  const U128 sinTerm = MulFraction(c0, sinD);
  const U128 cosTerm = MulFraction(s0, sinD);
  const U128 sin = AddOrSubtract(sinBase, sinTerm, dNegative);
  const U128 cos = AddOrSubtract(cosBase, cosTerm, !dNegative);
  return {FromFraction(sin), FromFraction(cos)};
}

}  // namespace

SineCosineBits SinCosBits(ExtendedBits x) {
  const bool negative = IsNegative(x);
  const int biased = BiasedExponent(x);
  const std::uint64_t m = x.significand;
  if (biased == kMaxExponent) {
    if (m == kIntegerBit) {
      return {};  // an infinity: +0 for both
    }
    if ((m & kIntegerBit) == 0) {
      return {kDefaultNaN, kDefaultNaN};
    }
    const ExtendedBits quiet{x.signExponent, m | kQuietBit};
    return {quiet, quiet};
  }
  if (biased == 0) {
    return {x, kOne};  // zeros, subnormals and pseudo-denormals
  }
  if ((m & kIntegerBit) == 0) {
    return {kDefaultNaN, kDefaultNaN};  // an unnormal
  }
  const int exponent = biased - kBias;
  if (exponent >= 63) {
    return {};
  }
  if (exponent < kTinyExponent) {
    return {x, kOne};
  }
  Reduced reduced;
  if (exponent < -1 || (exponent == -1 && m <= kBelowQuarterPi)) {
    reduced.r = {{m, 0}, exponent};
  } else {
    reduced = Reduce(m, exponent);
  }
  const SinCosOfReduced v = SinCosOfReducedArgument(reduced.r);
  // sin(q pi/2 + r) and cos(q pi/2 + r) are +-sin r or +-cos r:
  //   q = 0: sin r, cos r;   q = 1: cos r, -sin r;
  //   q = 2: -sin r, -cos r; q = 3: -cos r, sin r;
  // chosen without branches, as the quadrant of the next call is unknown.
  const bool odd = (reduced.quadrant & 1) != 0;
  const bool high = (reduced.quadrant & 2) != 0;
  Signed sin{Select(odd, v.cos, v.sin), odd ? high : reduced.negative != high};
  const Signed cos{Select(odd, v.sin, v.cos), odd ? reduced.negative == high : high};
  sin.negative = sin.negative != negative;
  return {Round(sin), Round(cos)};
}

}  // namespace ormakin
