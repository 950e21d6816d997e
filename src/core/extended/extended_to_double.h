// The narrowing of an extended value to a double, in integer arithmetic on
// the bits, so that it gives the same result on every processor.
#pragma once

#include "core/extended/extended_bits.h"

namespace ormakin {

// The extended value rounded to the nearest double, ties to even: a magnitude
// that rounds beyond the largest double becomes an infinity, one that is too
// small for a normal double becomes a subnormal or zero as the rounding gives
// (an extended subnormal always becomes zero). Infinities and zeros keep their
// sign; a NaN stays a quiet NaN with the leading bits of its payload.
double NarrowToDouble(const ExtendedBits& value);

// Whether the bits are an infinity of either sign.
constexpr bool IsInfinite(const ExtendedBits& value) {
  using extended_format::BiasedExponent;
  return BiasedExponent(value) == extended_format::kMaxExponent &&
         value.significand == extended_format::kIntegerBit;
}

}  // namespace ormakin
