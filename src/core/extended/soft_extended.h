// SoftExtended: the extended real of the car's arithmetic in portable integer
// code, bit for bit what the x87 gives with 64-bit precision control and
// round-to-nearest-even, on any processor.
//
// The format is ExtendedBits: sign, 15-bit exponent (bias 16383) and a 64-bit
// significand with an explicit integer bit. Only the operations the car uses
// are here. What they do at the edges, as the x87 does it:
//  - Results below the normal range are subnormal, rounded once at the fixed
//    position of the smallest subnormal; above it they overflow to infinity.
//  - An operand with exponent 0 and the integer bit set (a pseudo-denormal)
//    counts as the subnormal exponent with that significand. An operand the
//    x87 does not support (an unnormal: exponent 1..0x7FFE with the integer
//    bit clear; a pseudo-infinity or pseudo-NaN: exponent 0x7FFF with it
//    clear) makes the operation invalid.
//  - An invalid operation (an unsupported operand, inf - inf, 0 * inf, 0 / 0,
//    inf / inf) gives the default NaN: sign set, significand
//    0xC000000000000000.
//  - Otherwise a NaN operand gives a NaN: a signalling one is quieted (bit 62
//    set); of two, a quiet one beats a signalling one, then the larger
//    significand wins, and between equal significands the positive one. The
//    NaN keeps its own sign (a - NaN is that NaN, not its negation).
//  - Comparisons with a NaN or an unsupported operand are unordered: all
//    false except !=. Unary minus only flips the sign bit, of anything.
//
// Speed: the car's operands are normal numbers of modest size, so each
// operation first tries an inline path for normal operands of a size whose
// result cannot leave the normal range (an addition's exponents also less
// than 63 apart), which needs no
// unpacking and rounds without branching on the rounding bits. Everything
// else (zeros, subnormals, infinities, NaNs, unsupported encodings, overflow
// and underflow) goes to the general code in soft_extended.cpp, which gives
// the same bits for the common case too. A value keeps its sign, exponent and
// significand apart (SoftFields) and is packed into ExtendedBits only when
// its bits are asked for: packing after every operation and taking the
// fields apart before the next took a sixth of a tick's instructions.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>

#include "core/extended/extended_bits.h"
#include "core/extended/fixed_point.h"

// The common cases are forced inline: as calls, saving and restoring
// registers would cost as much as the work.
#define ORMAKIN_SOFT_INLINE [[gnu::always_inline]] inline

namespace ormakin {

namespace soft_fields {

// The common operands: normal numbers from 2^-4096 to below 2^4096 in
// magnitude. What the common paths make of two of them stays normal: a
// difference goes down to the larger's exponent less 63, a sum up to it
// plus 2 (the carry, then the rounding), and a product's or quotient's
// unbiased exponent, below 2^13 in magnitude, moves one place at most for
// the normalisation and one for the rounding.
inline constexpr std::int32_t kCommonKeys = 0x2000;
inline constexpr std::int32_t kKeyOffset = extended_format::kBias - kCommonKeys / 2;
// Added to the key of anything that is not a normal number: a multiple of
// 2^15, far above the keys of normal numbers (below 2^15 - kKeyOffset).
inline constexpr std::int32_t kSpecial = std::int32_t{1} << 20;
// The key of a zero: exponent field 0, not a normal number.
inline constexpr std::int32_t kZeroKey = kSpecial - kKeyOffset;

}  // namespace soft_fields

// The fields of an extended real, apart. The exponent is kept as a key
// that says in one comparison of two operands whether both take the common
// paths: for a normal number, its biased exponent less kKeyOffset, so that
// the common operands' keys run from 0 to kCommonKeys - 1; for anything else
// (a zero, a subnormal, an infinity, a NaN, an unsupported encoding), its
// biased exponent less kKeyOffset plus kSpecial. The biased exponent is the
// key plus kKeyOffset, taken modulo 2^15.
struct SoftFields {
  std::uint64_t significand = 0;
  std::int32_t key = soft_fields::kZeroKey;  // +0
  bool negative = false;

  friend constexpr bool operator==(const SoftFields&, const SoftFields&) = default;
};

namespace soft_fields {

constexpr SoftFields Fields(bool negative, std::uint32_t biased, std::uint64_t significand) {
  const bool normal = biased - 1 < extended_format::kMaxExponent - 1u &&
                      (significand & extended_format::kIntegerBit) != 0;
  return {significand, static_cast<std::int32_t>(biased) - kKeyOffset + (normal ? 0 : kSpecial),
          negative};
}

// Zero of either sign, as the fields keep it.
constexpr SoftFields Zero(bool negative) {
  return {0, kZeroKey, negative};
}

constexpr SoftFields Unpack(ExtendedBits bits) {
  return Fields((bits.signExponent & extended_format::kSignBit) != 0,
                bits.signExponent & extended_format::kExponentMask, bits.significand);
}

constexpr std::uint32_t Biased(SoftFields f) {
  return static_cast<std::uint32_t>(f.key + kKeyOffset) & extended_format::kExponentMask;
}

// The unbiased exponent of a normal number (|v| in [2^e, 2^(e+1))); far
// above any normal one's for anything else.
constexpr std::int32_t Unbiased(SoftFields f) {
  return f.key + kKeyOffset - extended_format::kBias;
}

constexpr std::uint16_t SignExponent(SoftFields f) {
  return static_cast<std::uint16_t>((f.negative ? extended_format::kSignBit : 0) | Biased(f));
}

constexpr ExtendedBits Pack(SoftFields f) {
  return {SignExponent(f), f.significand};
}

// A normal number: an exponent field from 1 to 0x7FFE and the integer bit.
constexpr bool IsNormal(SoftFields v) {
  return v.key < kSpecial / 2;
}

constexpr bool IsZero(SoftFields v) {
  return v == Zero(v.negative);
}

constexpr bool BothNormal(SoftFields a, SoftFields b) {
  return IsNormal(a) && IsNormal(b);
}

// Whether the magnitude of normal `a` is below that of normal `b`: keys
// first, then significands.
constexpr bool MagnitudeBelow(SoftFields a, SoftFields b) {
  return a.key != b.key ? a.key < b.key : a.significand < b.significand;
}

// Both operands of the common paths, in one comparison: a key outside them
// has bits above kCommonKeys - 1, or is negative.
constexpr bool BothCommon(SoftFields a, SoftFields b) {
  return static_cast<std::uint32_t>(a.key | b.key) < static_cast<std::uint32_t>(kCommonKeys);
}

}  // namespace soft_fields

class SoftExtended {
 public:
  constexpr SoftExtended() = default;
  // Exact, as loading an integer or a double into the x87 is. A signalling
  // NaN double is quieted; a NaN's payload moves to the top of the
  // significand.
  // NOLINTNEXTLINE(google-explicit-constructor): mixes with integers and
  // doubles in expressions as a built-in floating type does.
  SoftExtended(std::int32_t value) : fields_(FromInt32(value)) {}
  // NOLINTNEXTLINE(google-explicit-constructor): as above.
  SoftExtended(double value) : fields_(FromDouble(value)) {}

  static constexpr SoftExtended FromBits(ExtendedBits bits) {
    return SoftExtended(soft_fields::Unpack(bits));
  }
  constexpr ExtendedBits Bits() const { return soft_fields::Pack(fields_); }

  // Rounded to the nearest double, ties to even: subnormal doubles where the
  // value is that small, infinity beyond the largest double. A NaN keeps its
  // sign and the top 52 bits of its fraction, quieted; an unsupported operand
  // gives the double's default NaN (sign set, quiet bit only).
  explicit operator double() const { return ToDouble(fields_); }

  ORMAKIN_SOFT_INLINE friend SoftExtended operator+(SoftExtended a, SoftExtended b) {
    return SoftExtended(Sum(a.fields_, b.fields_, false));
  }
  ORMAKIN_SOFT_INLINE friend SoftExtended operator-(SoftExtended a, SoftExtended b) {
    return SoftExtended(Sum(a.fields_, b.fields_, true));
  }
  ORMAKIN_SOFT_INLINE friend SoftExtended operator*(SoftExtended a, SoftExtended b) {
    return SoftExtended(Product(a.fields_, b.fields_));
  }
  ORMAKIN_SOFT_INLINE friend SoftExtended operator/(SoftExtended a, SoftExtended b) {
    return SoftExtended(Quotient(a.fields_, b.fields_));
  }
  friend constexpr SoftExtended operator-(SoftExtended a) {
    return SoftExtended(SoftFields{a.fields_.significand, a.fields_.key, !a.fields_.negative});
  }
  SoftExtended& operator+=(SoftExtended b) { return *this = *this + b; }
  SoftExtended& operator-=(SoftExtended b) { return *this = *this - b; }
  SoftExtended& operator*=(SoftExtended b) { return *this = *this * b; }
  SoftExtended& operator/=(SoftExtended b) { return *this = *this / b; }

  friend bool operator==(SoftExtended a, SoftExtended b) { return Equal(a.fields_, b.fields_); }
  friend bool operator<(SoftExtended a, SoftExtended b) { return Less(a.fields_, b.fields_); }
  friend bool operator!=(SoftExtended a, SoftExtended b) { return !(a == b); }
  friend bool operator>(SoftExtended a, SoftExtended b) { return b < a; }
  friend bool operator<=(SoftExtended a, SoftExtended b) { return a < b || a == b; }
  friend bool operator>=(SoftExtended a, SoftExtended b) { return b < a || a == b; }

 private:
  explicit constexpr SoftExtended(SoftFields fields) : fields_(fields) {}

  friend std::optional<std::int32_t> Trunc32(SoftExtended v);
  friend std::optional<std::int32_t> Trunc32PlusHalf(SoftExtended v);

  // The operations on bits: the inline common case here, the rest in
  // soft_extended.cpp (the *General functions, which handle every case).
  // Those take each operand as its two fields, sign and exponent, then
  // significand: in WebAssembly a structure passed by value goes through
  // memory, and the copies for a call that the common case never makes
  // would be made on every operation.
  static SoftFields FromInt32(std::int32_t value);
  static SoftFields FromDouble(double value);
  static ExtendedBits FromDoubleGeneral(double value);
  static double ToDouble(SoftFields v);
  static double ToDoubleGeneral(std::uint16_t ve, std::uint64_t vs);
  static SoftFields Sum(SoftFields a, SoftFields b, bool subtract);
  static ExtendedBits SumGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                 std::uint64_t bs, bool subtract);
  static SoftFields Product(SoftFields a, SoftFields b);
  static ExtendedBits ProductGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                     std::uint64_t bs);
  static SoftFields Quotient(SoftFields a, SoftFields b);
  static ExtendedBits QuotientGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                      std::uint64_t bs);
  static bool Equal(SoftFields a, SoftFields b);
  static bool EqualGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be, std::uint64_t bs);
  static bool Less(SoftFields a, SoftFields b);
  static bool LessGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be, std::uint64_t bs);
  // A significand with its exponent, both before rounding, rounded to
  // nearest even by the bits below it (`rest`, with 2^63 the halfway point
  // and nothing lost below it), for an exponent that stays normal when the
  // rounding carries into it (the common paths' operands make sure of it).
  static SoftFields RoundNormal(bool negative, std::int32_t exponent, std::uint64_t kept,
                                std::uint64_t rest);

  SoftFields fields_;
};

// The integer part, towards zero, when it is a 32-bit integer; nothing for a
// NaN, an infinity, an unsupported operand or a value outside that range.
std::optional<std::int32_t> Trunc32(SoftExtended v);

// Trunc32(v + 0.5), the sum rounded as any sum is: how a probe point's
// coordinate becomes a pixel.
std::optional<std::int32_t> Trunc32PlusHalf(SoftExtended v);

// Only inline definitions below.

inline SoftFields SoftExtended::FromInt32(std::int32_t value) {
  if (value == 0) return soft_fields::Zero(false);
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
               : static_cast<std::uint64_t>(value);
  const int shift = std::countl_zero(magnitude);
  return {magnitude << shift, extended_format::kBias - soft_fields::kKeyOffset + 63 - shift,
          negative};
}

ORMAKIN_SOFT_INLINE SoftFields SoftExtended::FromDouble(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto exponent = static_cast<std::uint32_t>((bits >> 52) & 0x7FF);
  if (exponent - 1 < 0x7FE) [[likely]] {
    // A normal double: the same number with a wider exponent and 11 more
    // significand bits.
    return {extended_format::kIntegerBit | (bits << 11),
            static_cast<std::int32_t>(exponent) - 1023 + extended_format::kBias -
                soft_fields::kKeyOffset,
            (bits >> 63) != 0};
  }
  if ((bits << 1) == 0) {
    return soft_fields::Zero((bits >> 63) != 0);  // a rule's turn of 0, say
  }
  return soft_fields::Unpack(FromDoubleGeneral(value));
}

ORMAKIN_SOFT_INLINE double SoftExtended::ToDouble(SoftFields v) {
  // The double's biased exponent, for a normal result that cannot round up
  // to an infinity (anything not normal has a key far above).
  const std::int32_t exponent = soft_fields::Unbiased(v) + 1023;
  if (static_cast<std::uint32_t>(exponent - 1) < 0x7FDu) [[likely]] {
    std::uint64_t kept = v.significand >> 11;  // 53 bits, 2^52 the leading one
    // Up when the 11 bits below are above half, or at half and kept is odd
    // (as in RoundNormal).
    const std::uint64_t rest = v.significand & 0x7FF;
    kept += static_cast<std::uint64_t>((rest | (kept & 1)) > 0x400);
    // The leading one adds 1 to the exponent field, and a significand that
    // rounded up to 2^53 adds 2: the next binade, with fraction 0.
    const std::uint64_t sign = static_cast<std::uint64_t>(v.negative) << 63;
    return std::bit_cast<double>(sign | ((static_cast<std::uint64_t>(exponent - 1) << 52) + kept));
  }
  return ToDoubleGeneral(soft_fields::SignExponent(v), v.significand);
}

// A 128-bit value with its leading one at bit 127 or 126, shifted up to bit
// 127; `shift` is the places it moved. The value shifted by one place is
// made either way and the right one taken: a shift by a count known only at
// run time costs more (on x86 the count must pass through one register),
// and this took a tenth off a tick of products and differences.
struct NormalisedU128 {
  U128 value;
  int shift;
};

ORMAKIN_SOFT_INLINE NormalisedU128 NormaliseFrom126(U128 v) {
  const bool top = (v.hi >> 63) != 0;
  const std::uint64_t hi = (v.hi << 1) | (v.lo >> 63);
  const std::uint64_t lo = v.lo << 1;
  return {{top ? v.hi : hi, top ? v.lo : lo}, static_cast<int>(!top)};
}

ORMAKIN_SOFT_INLINE SoftFields SoftExtended::RoundNormal(bool negative, std::int32_t exponent,
                                                         std::uint64_t kept, std::uint64_t rest) {
  // Up when above half, or at half exactly and the kept bits are odd: then
  // and only then is rest, with the lowest kept bit put into its own lowest
  // bit, above half (below half that bit cannot reach it). One comparison,
  // no branch on those bits, which are as good as random.
  kept += static_cast<std::uint64_t>((rest | (kept & 1)) > (std::uint64_t{1} << 63));
  if (kept == 0) [[unlikely]] {  // carried into the exponent
    kept = extended_format::kIntegerBit;
    ++exponent;
  }
  return SoftFields{kept, exponent, negative};
}

ORMAKIN_SOFT_INLINE SoftFields SoftExtended::Sum(SoftFields a, SoftFields b, bool subtract) {
  using namespace soft_fields;
  if (BothCommon(a, b)) [[likely]] {
    // The operand of the larger magnitude is `big`, chosen by a branch: in
    // the car's sums the order of the magnitudes hardly ever changes (a
    // position of hundreds of pixels plus an offset of a few), so the branch
    // is well predicted and costs less than swapping by masks, which every
    // sum pays. Like and unlike signs take roads of their own for the same
    // reason (the signs of the terms change with the quadrant of an angle),
    // and a sum of like signs needs neither 128 bits nor a count of leading
    // zeros.
    const int ea = a.key, eb = b.key;
    const bool swap = MagnitudeBelow(a, b);
    const bool negativeA = a.negative;
    const bool negativeB = b.negative != subtract;
    std::uint64_t bigSignificand = a.significand, smallSignificand = b.significand;
    int bigExponent = ea, smallExponent = eb;
    bool bigNegative = negativeA;
    if (swap) {
      bigSignificand = b.significand;
      smallSignificand = a.significand;
      bigExponent = eb;
      smallExponent = ea;
      bigNegative = negativeB;
    }
    const int distance = bigExponent - smallExponent;
    if (distance < 63) [[likely]] {
      // The smaller significand aligned below the larger one, and the bits
      // it loses there, exact, as a fraction of the last place kept: where
      // the compiler has 128-bit integers, one double-word shift.
#if ORMAKIN_NATIVE_WIDE_PRODUCT
      using Wide = unsigned __int128;
      const Wide wide = (Wide{smallSignificand} << 64) >> (distance & 63);
      const auto aligned = static_cast<std::uint64_t>(wide >> 64);
      const auto lost = static_cast<std::uint64_t>(wide);
#else
      const std::uint64_t aligned = smallSignificand >> distance;
      const std::uint64_t lost = (smallSignificand << 1) << (63 - distance);
#endif
      if (negativeA == negativeB) {
        // Like signs: one 64-bit sum, and a carry out of it shifts the sum
        // down one place. A carry is rare in the car's sums (a small term
        // seldom takes a position past a power of two), so the compiler may
        // take it by a branch.
        const std::uint64_t total = bigSignificand + aligned;
        const bool carry = total < bigSignificand;
        // `lost` has its lowest bit clear (distance < 63): shifting it
        // down loses nothing.
        const U128 sum =
            carry ? U128{(total >> 1) | extended_format::kIntegerBit, (lost >> 1) | (total << 63)}
                  : U128{total, lost};
        return RoundNormal(bigNegative, bigExponent + static_cast<int>(carry), sum.hi, sum.lo);
      }
      // Unlike signs: the difference in 64 bits with a borrow from the lost
      // bits (which stay exact as their negation below the kept ones), then
      // shifted up to its leading one: one place at most unless the
      // exponents were 0 or 1 apart.
      const std::uint64_t difference =
          bigSignificand - aligned - static_cast<std::uint64_t>(lost != 0);
      if (distance >= 2) [[likely]] {
        // The smaller below 2^62, the difference above it: its leading one
        // at bit 63 or 62, brought up as a product's is.
        const NormalisedU128 normalised = NormaliseFrom126({difference, 0 - lost});
        return RoundNormal(bigNegative, bigExponent - normalised.shift, normalised.value.hi,
                           normalised.value.lo);
      }
      if (difference != 0) [[likely]] {
        const int shift = std::countl_zero(difference);
        const U128 normalised = ShiftLeftBelow64({difference, 0 - lost}, shift);
        return RoundNormal(bigNegative, bigExponent - shift, normalised.hi, normalised.lo);
      }
    }
  }
  // A zero and a normal number (the car's turn of 0 added to its heading):
  // exactly the number.
  if (IsZero(a) && IsNormal(b)) {
    return subtract ? SoftFields{b.significand, b.key, !b.negative} : b;
  }
  if (IsNormal(a) && IsZero(b)) {
    return a;
  }
  return Unpack(
      SumGeneral(SignExponent(a), a.significand, SignExponent(b), b.significand, subtract));
}

ORMAKIN_SOFT_INLINE SoftFields SoftExtended::Product(SoftFields a, SoftFields b) {
  using namespace soft_fields;
  if (BothCommon(a, b)) [[likely]] {
    // The product lies in [2^126, 2^128): its leading one at bit 127 or 126.
    const NormalisedU128 normalised = NormaliseFrom126(Mul64(a.significand, b.significand));
    return RoundNormal(a.negative != b.negative,
                       a.key + b.key + kKeyOffset - extended_format::kBias + 1 - normalised.shift,
                       normalised.value.hi, normalised.value.lo);
  }
  // A zero times a normal number: a zero of the product's sign.
  if ((IsZero(a) && IsNormal(b)) || (IsNormal(a) && IsZero(b))) {
    return Zero(a.negative != b.negative);
  }
  return Unpack(ProductGeneral(SignExponent(a), a.significand, SignExponent(b), b.significand));
}

inline SoftFields SoftExtended::Quotient(SoftFields a, SoftFields b) {
  using namespace soft_fields;
  if (BothCommon(a, b)) [[likely]] {
    // 64 quotient bits with the leading one at bit 63; the remainder says
    // whether the rest is below, at or above half a unit.
    const int extra = a.significand >= b.significand ? 1 : 0;
    std::uint64_t remainder = 0;
    const std::uint64_t quotient = Divide128By64(
        {a.significand >> extra, extra != 0 ? a.significand << 63 : 0}, b.significand, remainder);
    // Twice the remainder against the divisor (without overflowing) tells
    // the next bit and whether anything lies beyond it.
    const std::uint64_t other = b.significand - remainder;
    const std::uint64_t rest = (static_cast<std::uint64_t>(remainder >= other) << 63) |
                               static_cast<std::uint64_t>(remainder > other);
    return RoundNormal(a.negative != b.negative,
                       a.key - b.key - kKeyOffset + extended_format::kBias + extra - 1, quotient,
                       rest);
  }
  if (IsZero(a) && IsNormal(b)) {
    return Zero(a.negative != b.negative);
  }
  return Unpack(QuotientGeneral(SignExponent(a), a.significand, SignExponent(b), b.significand));
}

inline bool SoftExtended::Equal(SoftFields a, SoftFields b) {
  using namespace soft_fields;
  if (BothNormal(a, b)) [[likely]] {
    return a == b;
  }
  return EqualGeneral(SignExponent(a), a.significand, SignExponent(b), b.significand);
}

inline bool SoftExtended::Less(SoftFields a, SoftFields b) {
  using namespace soft_fields;
  if (BothNormal(a, b)) [[likely]] {
    if (a.negative != b.negative) {
      return a.negative;
    }
    // Negative numbers compare the other way round.
    return a.negative ? MagnitudeBelow(b, a) : MagnitudeBelow(a, b);
  }
  return LessGeneral(SignExponent(a), a.significand, SignExponent(b), b.significand);
}

inline std::optional<std::int32_t> Trunc32(SoftExtended v) {
  using namespace soft_fields;
  const SoftFields bits = v.fields_;
  // For a normal number, |v| lies in [2^scale, 2^(scale+1)); anything else
  // has a scale far above 31.
  const std::int32_t scale = Unbiased(bits);
  if (static_cast<std::uint32_t>(scale) > 31u) {
    // Normal numbers below 1 in magnitude, and zeros, subnormals and
    // pseudo-denormals, have 0 for their integer part; numbers from 2^32
    // up, infinities, NaNs and unsupported encodings have none here.
    return (IsNormal(bits) ? scale < 0 : Biased(bits) == 0) ? std::optional<std::int32_t>(0)
                                                            : std::nullopt;
  }
  // The integer part; below 2^32 here.
  const std::uint64_t whole = bits.significand >> (63 - scale);
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
  // -2^31 - 1 < v < 2^31, as for the hardware type.
  const bool negative = bits.negative;
  if (negative ? whole > kLimit : whole >= kLimit) return std::nullopt;
  const auto signedWhole = static_cast<std::int64_t>(whole);
  return static_cast<std::int32_t>(negative ? -signedWhole : signedWhole);
}

ORMAKIN_SOFT_INLINE std::optional<std::int32_t> Trunc32PlusHalf(SoftExtended v) {
  const SoftFields bits = v.fields_;
  // For 1 <= |v| < 2^30 the sum needs no rounding: a half is a whole number
  // of v's last places, and the sum either keeps v's exponent or (below a
  // power of two, negative) loses at most one place, which the 64 bits
  // still hold. Only a positive sum carrying into the next power of two is
  // left to the general road, with the rest.
  // |v| in [2^scale, 2^(scale+1)) for a normal number; anything else has a
  // scale far above 30.
  const int scale = soft_fields::Unbiased(bits);
  if (static_cast<unsigned>(scale) < 30u) [[likely]] {
    const std::uint64_t half = std::uint64_t{1} << (62 - scale);
    const int fraction = 63 - scale;  // the significand's bits below the units
    if (bits.negative) {
      return -static_cast<std::int32_t>((bits.significand - half) >> fraction);
    }
    // A carry out of the 64 bits leaves less than `half`.
    const std::uint64_t sum = bits.significand + half;
    if (sum >= half) [[likely]] {
      return static_cast<std::int32_t>(sum >> fraction);
    }
  }
  return Trunc32(v + SoftExtended(0.5));
}

}  // namespace ormakin

#undef ORMAKIN_SOFT_INLINE
