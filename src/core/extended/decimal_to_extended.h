// The conversion of a decimal number to extended precision, correctly rounded
// (to nearest, ties to even) in exact integer arithmetic, so that every
// processor reads a settings value to the same bits.
#pragma once

#include <string_view>

#include "core/extended/extended_bits.h"

namespace ormakin {

// The number integerDigits.fractionDigits × 10^exponent (the digits only '0'
// to '9'; either part may be empty, both empty is zero), negated when
// `negative`, rounded to the nearest extended value: a magnitude beyond the
// largest extended becomes an infinity, one below the smallest subnormal
// (2^-16445) becomes a zero or that subnormal as the rounding gives. Zero
// keeps its sign. Any count of digits and any exponent are accepted; the work
// grows with the digits and the exponent's magnitude, up to a few
// milliseconds for ten thousand digits.
ExtendedBits ExtendedFromDecimal(bool negative, std::string_view integerDigits,
                                 std::string_view fractionDigits, long exponent);

}  // namespace ormakin
