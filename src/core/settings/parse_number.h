// Conversions of settings text to numbers, with the program's own syntax.
#pragma once

#include <cstdint>
#include <string_view>

namespace ormakin {

// A real: blanks (space only), an optional sign, digits with an optional
// decimal mark (DecimalMark()), an optional exponent, blanks. Raises
// EConvertError for an invalid text and EOverflow for a value beyond the range
// of a double; a value below the smallest subnormal becomes 0.
double ParseReal(std::string_view text);

// A 32-bit integer: leading spaces, then a decimal number with an optional
// sign, or a hexadecimal one after "$", "x", "X", "0x" or "0X" (the bits of an
// unsigned 32-bit value). Nothing may follow. Raises EConvertError.
std::int32_t ParseInteger(std::string_view text);

}  // namespace ormakin
