#include "extended_to_double.h"

#include <bit>
#include <cstdint>

namespace ormakin {

namespace {

constexpr std::uint64_t kDoubleSign = std::uint64_t{1} << 63;
constexpr std::uint64_t kDoubleInfinity = std::uint64_t{0x7FF} << 52;
constexpr std::uint64_t kDoubleQuietBit = std::uint64_t{1} << 51;
constexpr std::uint64_t kHiddenBit = std::uint64_t{1} << 52;
constexpr long kDoubleBias = 1023;
constexpr long kDoubleMaxBiased = 2046;
// The exponent of a double subnormal's unit, 2^-1074.
constexpr long kDoubleMinUnitExponent = -1074;
constexpr long kExtendedBias = 16383;

}  // namespace

double NarrowToDouble(const ExtendedBits& value) {
  const std::uint64_t sign = (value.signExponent & 0x8000) != 0 ? kDoubleSign : 0;
  const long biased = value.signExponent & 0x7FFF;
  const std::uint64_t significand = value.significand;
  if (biased == 0x7FFF) {
    if ((significand << 1) == 0) return std::bit_cast<double>(sign | kDoubleInfinity);
    // The payload's leading bits below the integer and quiet bits.
    return std::bit_cast<double>(sign | kDoubleInfinity | kDoubleQuietBit |
                                 ((significand << 2) >> 13));
  }
  if (significand == 0) return std::bit_cast<double>(sign);

  // value = significand × 2^unit, with subnormals (field 0) at exponent 1.
  const long unit = (biased == 0 ? 1 : biased) - kExtendedBias - 63;
  const int top = 63 - std::countl_zero(significand);
  const long topExponent = unit + top;
  if (topExponent > kDoubleBias) return std::bit_cast<double>(sign | kDoubleInfinity);
  long resultUnit = topExponent - 52;
  if (resultUnit < kDoubleMinUnitExponent) resultUnit = kDoubleMinUnitExponent;
  const long shift = resultUnit - unit;

  std::uint64_t mantissa = 0;
  if (shift <= 0) {
    mantissa = significand << -shift;
  } else if (shift <= 64) {
    mantissa = shift == 64 ? 0 : significand >> shift;
    const std::uint64_t halfBit = std::uint64_t{1} << (shift - 1);
    const std::uint64_t rest = significand & (halfBit | (halfBit - 1));
    if (rest > halfBit || (rest == halfBit && (mantissa & 1) != 0)) ++mantissa;
  }
  // A shift beyond 64 leaves less than half the smallest subnormal: zero.

  if (mantissa == 2 * kHiddenBit) {
    mantissa = kHiddenBit;
    ++resultUnit;
  }
  if (mantissa < kHiddenBit) return std::bit_cast<double>(sign | mantissa);
  const long doubleBiased = resultUnit + 52 + kDoubleBias;
  if (doubleBiased > kDoubleMaxBiased) return std::bit_cast<double>(sign | kDoubleInfinity);
  return std::bit_cast<double>(sign | (static_cast<std::uint64_t>(doubleBiased) << 52) |
                               (mantissa & (kHiddenBit - 1)));
}

}  // namespace ormakin
