// Extended: the type of the car's arithmetic, the 80-bit extended real (see
// extended_bits.h) with the x87's rounding, the same bits on every target.
// Where long double is the x87's own format (x86 and x86-64 with GCC or
// Clang) it is long double, the fast path; elsewhere, or when the build
// defines ORMAKIN_SOFT_EXTENDED, it is SoftExtended, computed in integers.
//
// Write constants as Extended(0.5), never as long double literals, so that
// both types compile.
#pragma once

#include <cstdint>
#include <optional>

#include "core/extended/extended_bits.h"
#include "core/extended/precision_control.h"
#include "core/extended/soft_extended.h"
#include "core/extended/x87.h"

#if ORMAKIN_X87_LONG_DOUBLE && !defined(ORMAKIN_SOFT_EXTENDED)
#define ORMAKIN_HARDWARE_EXTENDED 1
#else
#define ORMAKIN_HARDWARE_EXTENDED 0
#endif

namespace ormakin {

#if ORMAKIN_HARDWARE_EXTENDED

using Extended = long double;

inline ExtendedBits ToBits(Extended value) {
  return X87Bits(value);
}
inline Extended FromBits(ExtendedBits bits) {
  return X87FromBits(bits);
}
// Trunc32(Extended) is the one of x87.h.

// π rounded to 64 bits, and its half and double (exact).
inline constexpr Extended kPi = 0xC.90FDAA22168C235p-2L;
inline constexpr Extended kHalfPi = 0xC.90FDAA22168C235p-3L;
inline constexpr Extended kTwoPi = 0xC.90FDAA22168C235p-1L;

#else

using Extended = SoftExtended;

inline ExtendedBits ToBits(Extended value) {
  return value.Bits();
}
inline Extended FromBits(ExtendedBits bits) {
  return SoftExtended::FromBits(bits);
}
// Trunc32(Extended) is the one of soft_extended.h.

inline constexpr Extended kPi = SoftExtended::FromBits({0x4000, 0xC90FDAA22168C235});
inline constexpr Extended kHalfPi = SoftExtended::FromBits({0x3FFF, 0xC90FDAA22168C235});
inline constexpr Extended kTwoPi = SoftExtended::FromBits({0x4001, 0xC90FDAA22168C235});

#endif

}  // namespace ormakin
