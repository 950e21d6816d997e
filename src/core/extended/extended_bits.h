// The bits of an extended real: the 80-bit format with a 64-bit significand
// (its integer bit explicit, as the x87 keeps it) and a 15-bit exponent with
// bias 16383. Every implementation of the car's arithmetic, and every test
// vector that compares them, speaks in these bits.
#pragma once

#include <cstdint>

namespace ormakin {

struct ExtendedBits {
  // Bit 15: the sign; bits 0 to 14: the biased exponent (0 for zeros and
  // subnormals, 0x7FFF for infinities and NaNs).
  std::uint16_t signExponent = 0;
  // Bit 63 is the integer bit: set for every normal number, clear for zeros
  // and subnormals; an infinity is 0x8000000000000000, a NaN has more bits.
  std::uint64_t significand = 0;

  friend bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

}  // namespace ormakin
