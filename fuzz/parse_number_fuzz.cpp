// Runs the number conversions on arbitrary text: they may only return a value
// or raise their own errors, and what they return must read back the same.
// On x86, where long double is the extended format, the decimal conversion
// must also give the bits of the C library's strtold for the same digits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/base/errors.h"
#include "core/extended/decimal_to_extended.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/parse_number.h"

namespace {

#if defined(__x86_64__) || defined(__i386__)
// The input's decimal digits (other bytes dropped), cut into integer part
// and fraction by the second byte, scaled by an exponent from the third and
// fourth, converted both ways.
void CompareWithStrtold(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  std::string digits;
  for (std::size_t i = 4; i < size; ++i) {
    if (data[i] >= '0' && data[i] <= '9') digits += static_cast<char>(data[i]);
  }
  const std::size_t cut = digits.empty() ? 0 : data[1] % (digits.size() + 1);
  const long exponent = static_cast<long>((data[2] << 8) | data[3]) - 32768;
  const std::string_view integerPart = std::string_view(digits).substr(0, cut);
  const std::string_view fraction = std::string_view(digits).substr(cut);
  const ormakin::ExtendedBits ours =
      ormakin::ExtendedFromDecimal(false, integerPart, fraction, exponent);

  const std::string text =
      std::string(integerPart) + "." + std::string(fraction) + "e" + std::to_string(exponent);
  const long double theirs = std::strtold(text.c_str(), nullptr);
  std::uint64_t significand = 0;
  std::uint16_t signExponent = 0;
  std::memcpy(&significand, &theirs, sizeof significand);
  std::memcpy(&signExponent, reinterpret_cast<const char*>(&theirs) + 8, sizeof signExponent);
  if (ours.significand != significand || ours.signExponent != signExponent) std::abort();
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
#if defined(__x86_64__) || defined(__i386__)
  CompareWithStrtold(data, size);
#endif
  // The first byte picks the decimal mark, so both common marks are covered.
  ormakin::SetDecimalMark((data[0] & 1) != 0 ? ',' : '.');
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  try {
    const double value = ormakin::ParseReal(text);
    if (!std::isfinite(value)) std::abort();
    // The shortest exact form of the value, with the current mark, reads back
    // to the same double.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    std::string printed(buffer);
    for (char& c : printed) {
      if (c == '.') c = ormakin::DecimalMark();
    }
    const double again = ormakin::ParseReal(printed);
    if (again != value || std::signbit(again) != std::signbit(value)) std::abort();
  } catch (const ormakin::EConvertError&) {
  } catch (const ormakin::EOverflow&) {
  }

  try {
    const std::int32_t value = ormakin::ParseInteger(text);
    if (ormakin::ParseInteger(std::to_string(value)) != value) std::abort();
  } catch (const ormakin::EConvertError&) {
  }
  return 0;
}
