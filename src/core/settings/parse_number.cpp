#include "core/settings/parse_number.h"

#include <limits>
#include <string>

#include "core/base/errors.h"
#include "core/extended/decimal_to_extended.h"
#include "core/extended/extended_to_double.h"
#include "core/settings/decimal_mark.h"

namespace ormakin {

namespace {

// The exponent's digits are read only while its magnitude is below this;
// a digit left over makes the text invalid, so "1E5000" is no number.
constexpr int kExponentStop = 500;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whether a number is a number at all: its digits (integer part, then
// fraction) taken as one integer must lie within the extended range, and so
// must ten to the power of `scale` (the exponent less the count of fraction
// digits) and the product of the two, each rounded to extended. When the
// power overflows, even a zero is no number: zero times an infinity is
// invalid, as in "0E4933". `value` is the number converted to extended.
bool ScalesWithinExtended(std::string_view integerDigits, std::string_view fractionDigits,
                          long scale, const ExtendedBits& value) {
  const auto fractionCount = static_cast<long>(fractionDigits.size());
  return !IsInfinite(ExtendedFromDecimal(false, integerDigits, fractionDigits, fractionCount)) &&
         !(scale > 0 && IsInfinite(ExtendedFromDecimal(false, "1", {}, scale))) &&
         !IsInfinite(value);
}

}  // namespace

double ParseReal(std::string_view text) {
  const auto invalid = [&text]() { return EConvertError(RealConvertMessage(std::string(text))); };
  const char mark = DecimalMark();
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  const std::size_t integerStart = i;
  while (i < n && IsDigit(text[i])) ++i;
  const std::string_view integerDigits = text.substr(integerStart, i - integerStart);

  bool hasMark = false;
  std::string_view fractionDigits;
  if (i < n && text[i] == mark) {
    hasMark = true;
    ++i;
    const std::size_t fractionStart = i;
    while (i < n && IsDigit(text[i])) ++i;
    fractionDigits = text.substr(fractionStart, i - fractionStart);
  }
  // A lone decimal mark is a number (zero); nothing at all is not.
  if (integerDigits.empty() && !hasMark) {
    throw invalid();
  }

  int exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    // An exponent without digits counts as 0.
    while (i < n && IsDigit(text[i]) && exponent < kExponentStop) {
      exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (negativeExponent) exponent = -exponent;
  }

  while (i < n && text[i] == ' ') ++i;
  if (i != n) {
    throw invalid();
  }

  const long scale = static_cast<long>(exponent) - static_cast<long>(fractionDigits.size());
  const ExtendedBits extended =
      ExtendedFromDecimal(negative, integerDigits, fractionDigits, exponent);
  if (!ScalesWithinExtended(integerDigits, fractionDigits, scale, extended)) {
    throw invalid();
  }
  // The correctly rounded extended value is narrowed to a double, rounding to
  // nearest once more: a result beyond the largest double overflows, one below
  // the smallest subnormal becomes zero.
  const double result = NarrowToDouble(extended);
  if (result == std::numeric_limits<double>::infinity() ||
      result == -std::numeric_limits<double>::infinity()) {
    throw EOverflow();
  }
  return result;
}

std::int32_t ParseInteger(std::string_view text) {
  const auto invalid = [&text]() {
    return EConvertError(IntegerConvertMessage(std::string(text)));
  };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;

  const std::string_view rest = text.substr(i);
  std::size_t hexPrefix = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hexPrefix = 1;
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hexPrefix = 2;
  }

  if (hexPrefix > 0) {
    const std::string_view digits = rest.substr(hexPrefix);
    if (digits.empty()) throw invalid();
    std::uint64_t value = 0;
    for (const char c : digits) {
      const int digit = HexDigitValue(c);
      if (digit < 0) throw invalid();
      value = value * 16 + static_cast<std::uint64_t>(digit);
      // Leading zeros keep the value at 0, so they never count here.
      if (value > 0xFFFFFFFFu) throw invalid();
    }
    // The same 32 bits as a signed number: FFFFFFFF is -1.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }

  std::size_t j = 0;
  bool negative = false;
  if (j < rest.size() && (rest[j] == '+' || rest[j] == '-')) {
    negative = rest[j] == '-';
    ++j;
  }
  if (j == rest.size()) throw invalid();
  // Magnitude limit: 2147483647, or 2147483648 for a negative number.
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  for (; j < rest.size(); ++j) {
    if (!IsDigit(rest[j])) throw invalid();
    magnitude = magnitude * 10 + (rest[j] - '0');
    if (magnitude > limit) throw invalid();
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace ormakin
