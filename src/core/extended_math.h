// The car computes at 80-bit extended precision (long double on x86-64 with
// GCC) and rounds to double only where it stores a value. These helpers keep
// that arithmetic in one place.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace ormakin {

using Extended = long double;

inline constexpr Extended kPi = 3.14159265358979323846264338327950288L;
inline constexpr Extended kHalfPi = kPi / 2;
inline constexpr Extended kTwoPi = kPi * 2;

// Sine and cosine at extended precision. An argument of magnitude 2^63 or
// more (or infinite) gives 0, as the floating-point unit's own instructions do
// when they give up on reducing it.
inline Extended Sin(Extended x) {
  return std::fabs(x) >= 0x1p63L ? 0.0L : std::sin(x);
}
inline Extended Cos(Extended x) {
  return std::fabs(x) >= 0x1p63L ? 0.0L : std::cos(x);
}

// Trunc: the integer part, towards zero, when it is a 32-bit integer; nothing
// for a value that is not finite or lies outside that range (so the
// conversion can never overflow).
inline std::optional<std::int32_t> Trunc32(Extended v) {
  if (!(v > -2147483649.0L && v < 2147483648.0L)) {
    return std::nullopt;  // also NaN
  }
  return static_cast<std::int32_t>(v);
}

}  // namespace ormakin
