// BigUnsigned: an arbitrary-precision unsigned integer on 32-bit limbs, with
// the few exact operations that decimal conversion needs. Portable integer
// arithmetic only (32-bit limbs, 64-bit intermediates), so that every
// processor gets the same bits.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace ormakin {

class BigUnsigned {
 public:
  BigUnsigned() = default;
  explicit BigUnsigned(std::uint64_t value);

  // The integer written by the decimal digits of `high` followed by those of
  // `low` (both only '0' to '9'; either may be empty).
  static BigUnsigned FromDecimal(std::string_view high, std::string_view low);
  // 5 to the power `exponent` (exponent >= 0).
  static BigUnsigned PowerOfFive(long exponent);

  bool IsZero() const { return limbs_.empty(); }
  // The number of bits up to the highest set one; 0 for zero.
  long BitLength() const;
  // Bit `index` (0 is the lowest); beyond the highest limb it is 0.
  bool Bit(long index) const;
  // Whether any bit below `index` is set.
  bool AnyBitBelow(long index) const;
  // The 64 bits from `index` upwards (bits beyond the value read as 0).
  std::uint64_t Bits64At(long index) const;

  void MultiplyBy(std::uint32_t factor);
  void MultiplyByPowerOfFive(long exponent);
  void Add(std::uint32_t addend);
  void ShiftLeft(long bits);
  void ShiftRightByOne();
  // *this -= other; other must not exceed *this.
  void Subtract(const BigUnsigned& other);

  friend int Compare(const BigUnsigned& a, const BigUnsigned& b);
  friend bool operator==(const BigUnsigned& a, const BigUnsigned& b) = default;

  // The quotient of *this by `divisor` (non-zero) when it is known to have at
  // most `quotientBits` bits; *this is left holding the remainder. Bit by bit,
  // so meant for short quotients of long numbers.
  BigUnsigned DivideShortQuotient(const BigUnsigned& divisor, long quotientBits);

 private:
  void Trim();

  // Lowest limb first; no zero limb at the top, so zero is empty.
  std::vector<std::uint32_t> limbs_;
};

}  // namespace ormakin
