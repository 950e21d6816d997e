// Operands for checking an extended arithmetic: the edges where rounding,
// the subnormal range, overflow and the special encodings decide, and random
// ones drawn to reach the same places often.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "core/extended/extended_bits.h"

namespace ormakin::testing {

// Finite values only (with signed zeros, subnormals and pseudo-denormals), or
// also infinities, NaNs and the encodings the x87 does not support.
enum class OperandKinds { kFinite, kAll };

inline std::vector<ExtendedBits> EdgeOperands(OperandKinds kinds) {
  constexpr std::uint64_t kOne = 0x8000000000000000;
  constexpr std::uint64_t kAllOnes = 0xFFFFFFFFFFFFFFFF;
  std::vector<ExtendedBits> edges = {
      {0x0000, 0},                   // zero
      {0x0000, 1},                   // the smallest subnormal
      {0x0000, 3},                   //
      {0x0000, 0x7FFFFFFFFFFFFFFF},  // the largest subnormal
      {0x0000, 0x4000000000000000},  //
      {0x0000, kOne},                // a pseudo-denormal
      {0x0000, 0xC000000000000001},  // another
      {0x0001, kOne},                // the smallest normal
      {0x0001, kAllOnes},            //
      {0x0040, kOne},                // 2^64 times the smallest normal
      {0x3FBF, kOne},                // 2^-64: half an ulp of 1
      {0x3FBE, kOne | 1},            // just above half an ulp below 1
      {0x3FFE, kAllOnes},            // the largest below 1
      {0x3FFF, kOne},                // 1
      {0x3FFF, kOne | 1},            // 1 + ulp
      {0x3FFF, 0xC000000000000000},  // 1.5
      {0x3FFF, kAllOnes},            // the largest below 2
      {0x4000, 0xC90FDAA22168C235},  // π
      {0x401D, 0xFFFFFFFE00000000},  // 2^31 - 1
      {0x401E, kOne},                // 2^31
      {0x401E, 0x8000000100000000},  // 2^31 + 1
      {0x401E, 0x8000000080000000},  // 2^31 + 0.5
      {0x43FE, 0xFFFFFFFFFFFFF800},  // the largest double
      {0x43FE, 0xFFFFFFFFFFFFFC00},  // and the tie above it
      {0x3C00, kAllOnes},            // just under the smallest normal double
      {0x3BCC, kOne},                // half the smallest subnormal double
      {0x3BCD, 0xC000000000000000},  // 1.5 times it
      {0x7FFE, kAllOnes},            // the largest
      {0x7FFE, kOne},                //
      {0x7FBE, kOne},                // half an ulp of the largest
  };
  if (kinds == OperandKinds::kAll) {
    const ExtendedBits specials[] = {
        {0x7FFF, kOne},                // infinity
        {0x7FFF, 0xC000000000000000},  // the default NaN, positive
        {0x7FFF, 0xC000000000000001},  // quiet NaNs
        {0x7FFF, 0xC000000000000002},  //
        {0x7FFF, 0x8000000000000001},  // signalling NaNs
        {0x7FFF, 0x8000000000000002},  //
        {0x7FFF, 0xBFFFFFFFFFFFFFFF},  //
        {0x7FFF, 0},                   // a pseudo-infinity
        {0x7FFF, 0x4000000000000000},  // a pseudo-NaN
        {0x3FFF, 0x4000000000000000},  // unnormals
        {0x0001, 0},                   //
    };
    edges.insert(edges.end(), std::begin(specials), std::end(specials));
  }
  const std::size_t count = edges.size();
  for (std::size_t i = 0; i < count; ++i) {  // and each negated
    edges.push_back(
        {static_cast<std::uint16_t>(edges[i].signExponent ^ 0x8000), edges[i].significand});
  }
  return edges;
}

// Random operands: the exponents mostly near 1 (so that sums overlap and
// cancel), near the subnormal range and near overflow; the significands
// often with few bits set (so that exact ties occur) or runs of ones (so
// that rounding carries).
class RandomOperands {
 public:
  RandomOperands(std::uint64_t seed, OperandKinds kinds) : random_(seed), kinds_(kinds) {}

  ExtendedBits Next() {
    const std::uint64_t pick = random_();
    std::uint16_t exponent = 0;
    switch (pick % 8) {
      case 0:
      case 1:
      case 2:
        exponent = static_cast<std::uint16_t>(0x3FFF - 80 + static_cast<int>((pick >> 8) % 160));
        break;
      case 3:
        exponent = static_cast<std::uint16_t>((pick >> 8) % 140);  // subnormal and just above
        break;
      case 4:
        exponent = static_cast<std::uint16_t>(0x7FFE - (pick >> 8) % 70);
        break;
      case 5:
        exponent = static_cast<std::uint16_t>(0x3FFF - 1100 + static_cast<int>((pick >> 8) % 2200));
        break;
      default:
        exponent = static_cast<std::uint16_t>((pick >> 8) % 0x7FFF);
        break;
    }
    std::uint64_t significand = random_();
    switch ((pick >> 24) % 4) {
      case 0:  // a few bits
        significand =
            (std::uint64_t{1} << (random_() % 64)) | (std::uint64_t{1} << (random_() % 64));
        break;
      case 1:  // a run of ones at the bottom
        significand |= (std::uint64_t{1} << (random_() % 64)) - 1;
        break;
      default:
        break;
    }
    if (exponent != 0 || (pick >> 30) % 4 != 0) {
      significand |= std::uint64_t{1} << 63;  // a normal, or a pseudo-denormal
    }
    if (kinds_ == OperandKinds::kAll && (pick >> 32) % 16 == 0) {
      // A NaN, infinity or unsupported encoding now and then.
      exponent = (pick >> 36) % 4 == 0 ? static_cast<std::uint16_t>(1 + (pick >> 40) % 0x7FFE)
                                       : std::uint16_t{0x7FFF};
      if ((pick >> 38) % 4 == 0) significand &= ~(std::uint64_t{1} << 63);
    }
    const auto sign = static_cast<std::uint16_t>((pick >> 48) & 0x8000);
    return ExtendedBits{static_cast<std::uint16_t>(sign | exponent), significand};
  }

  // A partner for `a`: often with an exponent close to a's.
  ExtendedBits NextNear(ExtendedBits a) {
    ExtendedBits b = Next();
    const std::uint64_t pick = random_();
    const int exponent = a.signExponent & 0x7FFF;
    if (pick % 2 == 0 && exponent > 70 && exponent < 0x7FFF - 70) {
      const int near = exponent - 66 + static_cast<int>((pick >> 8) % 133);
      b.signExponent = static_cast<std::uint16_t>((b.signExponent & 0x8000) | near);
      b.significand |= std::uint64_t{1} << 63;
    }
    return b;
  }

  std::uint64_t Bits64() { return random_(); }

 private:
  std::mt19937_64 random_;
  OperandKinds kinds_;
};

}  // namespace ormakin::testing
