// Exact decimal texts of binary fractions, for tests that need a number
// lying exactly on (or a hair beside) a rounding boundary. Computed in base
// 10^9 by repeated small multiplications, independently of the program's own
// big integers.
#pragma once

#include <string>
#include <string_view>

namespace ormakin::test {

// The digits of the integer m × 2^twos × 5^fives (m given in decimal).
std::string DecimalDigits(std::string_view m, int twos, int fives);

// An exact decimal of m × 2^power as digits and a power of ten:
// m × 2^power = digits × 10^exponent.
struct ExactDecimal {
  std::string digits;
  long exponent = 0;
  // The digits with `extra` further zeros and a final "1": the same number
  // nudged upwards by far less than any rounding step.
  std::string NudgedUp(int extra) const { return digits + std::string(extra, '0') + "1"; }
  long NudgedExponent(int extra) const { return exponent - extra - 1; }
};
ExactDecimal BinaryToDecimal(std::string_view m, int power);

}  // namespace ormakin::test
