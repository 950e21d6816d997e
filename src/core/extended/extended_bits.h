// The bits of an extended real: the 80-bit format with a 64-bit significand
// (its integer bit explicit, as the x87 keeps it) and a 15-bit exponent with
// bias 16383. Every implementation of the car's arithmetic, and every test
// vector that compares them, speaks in these bits; the format's constants
// below are the only spelling of them in the code.
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

namespace extended_format {

inline constexpr int kSignificandBits = 64;
inline constexpr int kBias = 16383;
inline constexpr std::uint16_t kSignBit = 0x8000;
// The biased exponent field; its largest value marks infinities and NaNs.
inline constexpr std::uint16_t kExponentMask = 0x7FFF;
inline constexpr std::uint16_t kMaxExponent = 0x7FFF;
inline constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
// The highest fraction bit: set in a quiet NaN, clear in a signalling one.
inline constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;
// The x87's "real indefinite": what an invalid operation gives.
inline constexpr ExtendedBits kDefaultNaN{0xFFFF, 0xC000000000000000};
inline constexpr ExtendedBits kOne{kBias, kIntegerBit};

constexpr ExtendedBits WithSign(bool negative, std::uint16_t biasedExponent,
                                std::uint64_t significand) {
  return {static_cast<std::uint16_t>((negative ? kSignBit : 0) | biasedExponent), significand};
}

constexpr ExtendedBits Infinity(bool negative) {
  return WithSign(negative, kMaxExponent, kIntegerBit);
}

constexpr ExtendedBits Zero(bool negative) {
  return WithSign(negative, 0, 0);
}

constexpr bool IsNegative(ExtendedBits v) {
  return (v.signExponent & kSignBit) != 0;
}

constexpr int BiasedExponent(ExtendedBits v) {
  return v.signExponent & kExponentMask;
}

}  // namespace extended_format

}  // namespace ormakin
