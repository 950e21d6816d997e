// Runs the number conversions on arbitrary text: they may only return a value
// or raise their own errors, and what they return must read back the same.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "decimal_mark.h"
#include "errors.h"
#include "parse_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
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
