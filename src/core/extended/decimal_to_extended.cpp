#include "core/extended/decimal_to_extended.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/extended/big_unsigned.h"

namespace ormakin {

using namespace extended_format;

namespace {

// The exponent of the highest bit of the largest finite value, and the
// exponent of the smallest subnormal's only bit.
constexpr long kLargestTopExponent = 16383;
constexpr long kMinUnitExponent = -16445;

// Decimal magnitudes that need no arithmetic: a number of at least
// 10^4933 lies beyond 2^16384, and one below 10^-4952 lies below half the
// smallest subnormal (2^-16446, about 1.8e-4951).
constexpr long long kOverflowDecimalExponent = 4933;
constexpr long long kUnderflowDecimalExponent = -4952;

// A point halfway between two neighbouring extended values is an odd
// multiple of 2^-16446 below 2^16384, so it has at most 11515 significant
// decimal digits. Digits beyond this count are replaced by one nonzero digit:
// the number moves, but never across such a point, so it rounds the same.
constexpr long long kMaxSignificantDigits = 11520;

// (value + a fraction below one, nonzero when `inexact`) × 2^unitExponent,
// rounded to 64 significant bits, or fewer where the result is subnormal.
// The value must carry at least one bit below the kept ones whenever it is
// inexact, so that the halfway decision is exact.
ExtendedBits Round(const BigUnsigned& value, long unitExponent, bool inexact, bool negative) {
  const long length = value.BitLength();
  const long topExponent = length - 1 + unitExponent;
  if (topExponent > kLargestTopExponent) return Infinity(negative);
  long resultUnit = std::max(topExponent - (kSignificandBits - 1), kMinUnitExponent);
  const long shift = resultUnit - unitExponent;

  std::uint64_t significand = 0;
  bool roundUp = false;
  if (shift <= 0) {
    // Exact: every bit of the value fits.
    significand = value.Bits64At(0) << -shift;
  } else {
    significand = value.Bits64At(shift);
    const bool half = value.Bit(shift - 1);
    const bool beyondHalf = inexact || value.AnyBitBelow(shift - 1);
    roundUp = half && (beyondHalf || (significand & 1) != 0);
  }
  if (roundUp) {
    ++significand;
    if (significand == 0) {
      // Carried out of the 64 bits: 2^64 units is 2^63 of the next unit.
      significand = kIntegerBit;
      ++resultUnit;
    }
  }
  if (significand == 0) return Zero(negative);
  const std::uint16_t sign = negative ? kSignBit : 0;
  if ((significand & kIntegerBit) == 0) {
    // A subnormal (only at the smallest unit): exponent field 0.
    return {sign, significand};
  }
  const long biased = resultUnit + (kSignificandBits - 1) + kBias;
  if (biased >= extended_format::kMaxExponent) return Infinity(negative);
  return {static_cast<std::uint16_t>(sign | biased), significand};
}

// The digits of `integerDigits` followed by `fractionDigits` from index
// `from` up to `to` of the two together, as two pieces.
std::pair<std::string_view, std::string_view> Slice(std::string_view integerDigits,
                                                    std::string_view fractionDigits,
                                                    std::size_t from, std::size_t to) {
  const std::size_t split = integerDigits.size();
  const auto piece = [](std::string_view digits, std::size_t begin, std::size_t end) {
    return begin >= end ? std::string_view() : digits.substr(begin, end - begin);
  };
  return {piece(integerDigits, from, std::min(to, split)),
          piece(fractionDigits, std::max(from, split) - split, std::max(to, split) - split)};
}

}  // namespace

ExtendedBits ExtendedFromDecimal(bool negative, std::string_view integerDigits,
                                 std::string_view fractionDigits, long exponent) {
  const std::size_t total = integerDigits.size() + fractionDigits.size();
  const auto digitAt = [&](std::size_t i) {
    return i < integerDigits.size() ? integerDigits[i] : fractionDigits[i - integerDigits.size()];
  };
  std::size_t first = 0;
  while (first < total && digitAt(first) == '0') ++first;
  if (first == total) return Zero(negative);
  std::size_t end = total;
  while (digitAt(end - 1) == '0') --end;

  // The number is digits × 10^scale, digits an integer of `count` digits
  // without trailing zeros, so it lies in [10^(magnitude-1), 10^magnitude).
  auto count = static_cast<long long>(end - first);
  long long scale = static_cast<long long>(exponent) -
                    static_cast<long long>(fractionDigits.size()) +
                    static_cast<long long>(total - end);
  const long long magnitude = count + scale;
  if (magnitude - 1 >= kOverflowDecimalExponent) return Infinity(negative);
  if (magnitude <= kUnderflowDecimalExponent) return Zero(negative);

  const bool truncated = count > kMaxSignificantDigits;
  const std::size_t kept =
      truncated ? static_cast<std::size_t>(kMaxSignificantDigits) : end - first;
  const auto [high, low] = Slice(integerDigits, fractionDigits, first, first + kept);
  BigUnsigned value = BigUnsigned::FromDecimal(high, low);
  if (truncated) {
    // The dropped digits end in a nonzero one: stand for them by a 1.
    value.MultiplyBy(10);
    value.Add(1);
    scale += count - kMaxSignificantDigits - 1;
    count = kMaxSignificantDigits + 1;
  }
  // Both are bounded by the checks above: |scale| stays below 17000.
  const auto decimalExponent = static_cast<long>(scale);

  if (decimalExponent >= 0) {
    // An integer: digits × 5^scale × 2^scale, exactly.
    value.MultiplyByPowerOfFive(decimalExponent);
    return Round(value, decimalExponent, false, negative);
  }
  // digits / (5^q × 2^q): a quotient of 65 or 66 bits, its remainder telling
  // whether anything lies below it.
  const long q = -decimalExponent;
  BigUnsigned divisor = BigUnsigned::PowerOfFive(q);
  const long headroom = divisor.BitLength() - value.BitLength() + kSignificandBits + 1;
  if (headroom >= 0) {
    value.ShiftLeft(headroom);
  } else {
    divisor.ShiftLeft(-headroom);
  }
  const BigUnsigned quotient = value.DivideShortQuotient(divisor, kSignificandBits + 2);
  return Round(quotient, -headroom - q, !value.IsZero(), negative);
}

}  // namespace ormakin
