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

struct SineCosine {
  Extended sin;
  Extended cos;
};

// Whether SinCos below is the x87's own instruction in this build: then a
// user-mode emulator of the x87 gives its own results, not the processor's.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORMAKIN_X87_SINCOS 1
#else
#define ORMAKIN_X87_SINCOS 0
#endif
inline constexpr bool kSinCosFromX87 = ORMAKIN_X87_SINCOS != 0;

// Sine and cosine at extended precision, from the floating-point unit's own
// instruction: the same results as the platform the program was made for,
// and both for the price of one call. An argument of magnitude 2^63 or more
// (or infinite) gives 0, as that instruction does when it gives up on
// reducing it; a NaN stays NaN.
inline SineCosine SinCos(Extended x) {
  if (!(std::fabs(x) < 0x1p63L)) {
    return std::isnan(x) ? SineCosine{x, x} : SineCosine{0.0L, 0.0L};
  }
#if ORMAKIN_X87_SINCOS
  Extended s = 0;
  Extended c = 0;
  __asm__("fsincos" : "=t"(c), "=u"(s) : "0"(x));
  return {s, c};
#else
  return {std::sin(x), std::cos(x)};
#endif
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
