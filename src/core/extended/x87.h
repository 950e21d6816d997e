// The x87 floating-point unit, where the processor has one (x86 and x86-64
// with GCC or Clang): its control word, and long double when that is the
// unit's own 80-bit format. Elsewhere ORMAKIN_HAS_X87 and
// ORMAKIN_X87_LONG_DOUBLE are 0 and nothing more is declared.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/extended/extended_bits.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORMAKIN_HAS_X87 1
#else
#define ORMAKIN_HAS_X87 0
#endif

#if ORMAKIN_HAS_X87 && LDBL_MANT_DIG == 64
#define ORMAKIN_X87_LONG_DOUBLE 1
#else
#define ORMAKIN_X87_LONG_DOUBLE 0
#endif

namespace ormakin {

#if ORMAKIN_HAS_X87

// The calling thread's x87 control word. Bits 8 and 9 are the precision
// control (3: 64-bit significand, 2: 53 bits, 0: 24 bits), bits 10 and 11
// the rounding control (0: to nearest even).
inline std::uint16_t X87ControlWord() {
  std::uint16_t word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

inline void SetX87ControlWord(std::uint16_t word) {
  __asm__ volatile("fldcw %0" : : "m"(word));
}

// The precision control bits of the calling thread's control word.
inline unsigned PrecisionControl() {
  return (X87ControlWord() >> 8) & 3u;
}

#endif

#if ORMAKIN_X87_LONG_DOUBLE

// The ten bytes of a long double, little-endian: significand, then sign and
// exponent. The padding after them is not part of the value.
inline ExtendedBits X87Bits(long double value) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof bytes);
  ExtendedBits bits;
  std::memcpy(&bits.significand, bytes, 8);
  std::memcpy(&bits.signExponent, bytes + 8, 2);
  return bits;
}

inline long double X87FromBits(ExtendedBits bits) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &bits.significand, 8);
  std::memcpy(bytes + 8, &bits.signExponent, 2);
  long double value = 0;
  std::memcpy(&value, bytes, sizeof bytes);
  return value;
}

// The integer part, towards zero, when it is a 32-bit integer; nothing for a
// value that is not finite or lies outside that range (so the conversion can
// never overflow).
inline std::optional<std::int32_t> Trunc32(long double v) {
  if (!(v > -2147483649.0L && v < 2147483648.0L)) {
    return std::nullopt;  // also NaN
  }
  return static_cast<std::int32_t>(v);
}

// Trunc32(v + 0.5): how a probe point's coordinate becomes a pixel.
inline std::optional<std::int32_t> Trunc32PlusHalf(long double v) {
  return Trunc32(v + 0.5L);
}

#endif

}  // namespace ormakin
