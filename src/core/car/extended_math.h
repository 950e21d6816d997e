// Sine and cosine for the car's extended arithmetic (extended.h).
#pragma once

#include <cmath>

#include "extended.h"

namespace ormakin {

struct SineCosine {
  Extended sin;
  Extended cos;
};

namespace detail {

#if ORMAKIN_HARDWARE_EXTENDED
inline long double ToX87(Extended x) {
  return x;
}
inline Extended FromX87(long double x) {
  return x;
}
#elif ORMAKIN_X87_LONG_DOUBLE
inline long double ToX87(Extended x) {
  return X87FromBits(ToBits(x));
}
inline Extended FromX87(long double x) {
  return FromBits(X87Bits(x));
}
#endif

}  // namespace detail

// Sine and cosine at extended precision. An argument of magnitude 2^63 or
// more (or infinite) gives 0, as the floating-point unit's instruction does
// when it gives up on reducing it; a NaN stays NaN.
inline SineCosine SinCos(Extended x) {
  const Extended limit = Extended(0x1p63);
  if (!(x < limit && x > -limit)) {
    return x != x ? SineCosine{x, x} : SineCosine{Extended(0), Extended(0)};
  }
#if ORMAKIN_X87_LONG_DOUBLE
  // The x87's own instruction: the same results as the platform the program
  // was made for, and both for the price of one call.
  long double s = 0;
  long double c = 0;
  __asm__("fsincos" : "=t"(c), "=u"(s) : "0"(detail::ToX87(x)));
  return {detail::FromX87(s), detail::FromX87(c)};
#else
  // TEMPORARY, until the portable extended sine and cosine take this place:
  // computed on doubles, so runs on processors without an x87 do not yet
  // give the x87's bits.
  const double d = static_cast<double>(x);
  return {Extended(std::sin(d)), Extended(std::cos(d))};
#endif
}

}  // namespace ormakin
