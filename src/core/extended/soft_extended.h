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
#pragma once

#include <cstdint>
#include <optional>

#include "extended_bits.h"

namespace ormakin {

class SoftExtended {
 public:
  constexpr SoftExtended() = default;
  // Exact, as loading an integer or a double into the x87 is. A signalling
  // NaN double is quieted; a NaN's payload moves to the top of the
  // significand.
  // NOLINTNEXTLINE(google-explicit-constructor): mixes with integers and
  // doubles in expressions as a built-in floating type does.
  SoftExtended(std::int32_t value);
  // NOLINTNEXTLINE(google-explicit-constructor): as above.
  SoftExtended(double value);

  static constexpr SoftExtended FromBits(ExtendedBits bits) { return SoftExtended(bits); }
  constexpr ExtendedBits Bits() const { return bits_; }

  // Rounded to the nearest double, ties to even: subnormal doubles where the
  // value is that small, infinity beyond the largest double. A NaN keeps its
  // sign and the top 52 bits of its fraction, quieted; an unsupported operand
  // gives the double's default NaN (sign set, quiet bit only).
  explicit operator double() const;

  friend SoftExtended operator+(SoftExtended a, SoftExtended b);
  friend SoftExtended operator-(SoftExtended a, SoftExtended b);
  friend SoftExtended operator*(SoftExtended a, SoftExtended b);
  friend SoftExtended operator/(SoftExtended a, SoftExtended b);
  friend constexpr SoftExtended operator-(SoftExtended a) {
    return SoftExtended(ExtendedBits{static_cast<std::uint16_t>(a.bits_.signExponent ^ 0x8000),
                                     a.bits_.significand});
  }
  SoftExtended& operator+=(SoftExtended b) { return *this = *this + b; }
  SoftExtended& operator-=(SoftExtended b) { return *this = *this - b; }
  SoftExtended& operator*=(SoftExtended b) { return *this = *this * b; }
  SoftExtended& operator/=(SoftExtended b) { return *this = *this / b; }

  friend bool operator==(SoftExtended a, SoftExtended b);
  friend bool operator<(SoftExtended a, SoftExtended b);
  friend bool operator!=(SoftExtended a, SoftExtended b) { return !(a == b); }
  friend bool operator>(SoftExtended a, SoftExtended b) { return b < a; }
  friend bool operator<=(SoftExtended a, SoftExtended b) { return a < b || a == b; }
  friend bool operator>=(SoftExtended a, SoftExtended b) { return b < a || a == b; }

 private:
  explicit constexpr SoftExtended(ExtendedBits bits) : bits_(bits) {}

  ExtendedBits bits_;
};

// The integer part, towards zero, when it is a 32-bit integer; nothing for a
// NaN, an infinity, an unsupported operand or a value outside that range.
std::optional<std::int32_t> Trunc32(SoftExtended v);

}  // namespace ormakin
