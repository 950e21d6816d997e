#include "parse_number.h"

#include <cmath>
#include <string>

#include "decimal_mark.h"
#include "errors.h"
#include "numeric_locale.h"

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
// fraction) are accumulated in extended precision as one value, times 10
// plus the digit, and that value is multiplied by ten to the power of
// `scale` (the exponent less the count of fraction digits). When either step
// overflows, or the product is invalid (a zero times a power beyond the
// range, as in "0E4933"), the text is no number. The value itself comes from
// the correctly rounded conversion; only this decides whether there is one.
bool ScalesWithinExtended(std::string_view integerDigits, std::string_view fractionDigits,
                          long scale) {
  long double accumulated = 0.0L;
  for (const std::string_view digits : {integerDigits, fractionDigits}) {
    for (const char c : digits) {
      accumulated = accumulated * 10.0L + static_cast<long double>(c - '0');
    }
  }
  const long double product = accumulated * std::pow(10.0L, static_cast<long double>(scale));
  return std::isfinite(accumulated) && std::isfinite(product);
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
  if (!ScalesWithinExtended(integerDigits, fractionDigits, scale)) {
    throw invalid();
  }

  // The number again in a fixed form that the C library reads exactly, so
  // that its correctly rounded conversion gives the value.
  std::string clean;
  clean.reserve(integerDigits.size() + fractionDigits.size() + 16);
  if (negative) clean += '-';
  clean += integerDigits.empty() ? std::string_view("0") : integerDigits;
  clean += '.';
  clean += fractionDigits.empty() ? std::string_view("0") : fractionDigits;
  clean += 'e';
  clean += std::to_string(exponent);

  const long double extended = ExtendedFromText(clean);
  if (std::isnan(extended)) {
    throw invalid();
  }
  // Narrowing rounds to nearest: a result that rounds beyond the largest
  // double overflows (so does one that the correct rounding takes past the
  // extended range where the accumulation stayed inside it), one below the
  // smallest subnormal becomes zero.
  const auto result = static_cast<double>(extended);
  if (std::isinf(result)) {
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
