#include "support/extended_vectors.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "core/base/errors.h"
#include "core/extended/sine_cosine.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/parse_number.h"

namespace ormakin::testing {

namespace {

constexpr const char kHex[] = "0123456789abcdef";

std::string HexDigits(std::uint64_t value, int digits) {
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) {
    text[static_cast<std::size_t>(i)] = kHex[value & 0xF];
  }
  return text;
}

// Exactly `digits` lower-case hex digits.
std::optional<std::uint64_t> ParseHexDigits(std::string_view text, std::size_t digits) {
  if (text.size() != digits) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (const char c : text) {
    const char* at = std::strchr(kHex, c);
    if (c == '\0' || at == nullptr) {
      return std::nullopt;
    }
    value = value << 4 | static_cast<std::uint64_t>(at - kHex);
  }
  return value;
}

}  // namespace

std::string FormatExtended(ExtendedBits bits) {
  return HexDigits(bits.signExponent, 4) + ":" + HexDigits(bits.significand, 16);
}

std::optional<ExtendedBits> ParseExtendedField(std::string_view field) {
  if (field.size() != 21 || field[4] != ':') {
    return std::nullopt;
  }
  const auto signExponent = ParseHexDigits(field.substr(0, 4), 4);
  const auto significand = ParseHexDigits(field.substr(5), 16);
  if (!signExponent || !significand) {
    return std::nullopt;
  }
  return ExtendedBits{static_cast<std::uint16_t>(*signExponent), *significand};
}

std::string FormatDouble(double value) {
  return HexDigits(std::bit_cast<std::uint64_t>(value), 16);
}

std::optional<double> ParseDoubleField(std::string_view field) {
  const auto bits = ParseHexDigits(field, 16);
  if (!bits) {
    return std::nullopt;
  }
  return std::bit_cast<double>(*bits);
}

std::string QuoteText(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < '!' || byte > '~' || c == '"' || c == '%') {
      quoted += '%';
      quoted += static_cast<char>(std::toupper(kHex[byte >> 4]));
      quoted += static_cast<char>(std::toupper(kHex[byte & 0xF]));
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::optional<std::string> UnquoteText(std::string_view field) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') {
    return std::nullopt;
  }
  field = field.substr(1, field.size() - 2);
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '"') {
      return std::nullopt;
    }
    if (field[i] != '%') {
      text += field[i];
      continue;
    }
    unsigned byte = 0;
    if (i + 2 >= field.size()) {
      return std::nullopt;
    }
    const auto [end, error] = std::from_chars(field.data() + i + 1, field.data() + i + 3, byte, 16);
    if (error != std::errc() || end != field.data() + i + 3) {
      return std::nullopt;
    }
    text += static_cast<char>(byte);
    i += 2;
  }
  return text;
}

std::vector<VectorLine> ReadVectorFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read the vector file " + path);
  }
  std::vector<VectorLine> lines;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (line.empty() || line.front() == '#') {
      continue;
    }
    VectorLine vector{number, {}};
    std::size_t start = 0;
    while (start <= line.size()) {
      const std::size_t end = std::min(line.find(' ', start), line.size());
      vector.fields.emplace_back(line.substr(start, end - start));
      start = end + 1;
    }
    lines.push_back(std::move(vector));
  }
  if (file.bad()) {
    throw std::runtime_error("reading the vector file " + path + " failed");
  }
  return lines;
}

namespace {

// The field for an extended result.
std::string ExtendedResult(Extended value) {
  return FormatExtended(ToBits(value));
}

Extended ExtendedOperand(const std::string& field) {
  const auto bits = ParseExtendedField(field);
  if (!bits) {
    throw std::invalid_argument("not an extended value: " + field);
  }
  return FromBits(*bits);
}

double DoubleOperand(const std::string& field) {
  const auto value = ParseDoubleField(field);
  if (!value) {
    throw std::invalid_argument("not a double: " + field);
  }
  return *value;
}

using Fields = std::vector<std::string>;

template <typename Op>
VectorOperation Arithmetic(const char* name, Op op) {
  return {name,
          2,
          1,
          [op](const Fields& in) {
            return Fields{ExtendedResult(op(ExtendedOperand(in[0]), ExtendedOperand(in[1])))};
          },
          {}};
}

std::string ParseResult(const std::string& text) {
  SetDecimalMark('.');
  try {
    return FormatDouble(ParseReal(text));
  } catch (const EOverflow&) {
    return "EOverflow";
  } catch (const EConvertError&) {
    return "EConvertError";
  }
}

std::vector<VectorOperation> MakeOperations() {
  std::vector<VectorOperation> operations;
  operations.push_back(Arithmetic("add", [](Extended a, Extended b) { return a + b; }));
  operations.push_back(Arithmetic("sub", [](Extended a, Extended b) { return a - b; }));
  operations.push_back(Arithmetic("mul", [](Extended a, Extended b) { return a * b; }));
  operations.push_back(Arithmetic("div", [](Extended a, Extended b) { return a / b; }));
  operations.push_back({"cmp",
                        2,
                        1,
                        [](const Fields& in) {
                          const Extended a = ExtendedOperand(in[0]);
                          const Extended b = ExtendedOperand(in[1]);
                          return Fields{a < b ? "lt" : a > b ? "gt" : a == b ? "eq" : "un"};
                        },
                        {}});
  operations.push_back({"from_double",
                        1,
                        1,
                        [](const Fields& in) {
                          return Fields{
                              ExtendedResult(static_cast<Extended>(DoubleOperand(in[0])))};
                        },
                        {}});
  operations.push_back({"to_double",
                        1,
                        1,
                        [](const Fields& in) {
                          return Fields{FormatDouble(static_cast<double>(ExtendedOperand(in[0])))};
                        },
                        {}});
  operations.push_back({"trunc32",
                        1,
                        1,
                        [](const Fields& in) {
                          const auto value = Trunc32(ExtendedOperand(in[0]));
                          return Fields{value ? std::to_string(*value) : "none"};
                        },
                        {}});
  operations.push_back({"sincos",
                        1,
                        2,
                        [](const Fields& in) {
                          const SineCosine result = SinCos(ExtendedOperand(in[0]));
                          return Fields{ExtendedResult(result.sin), ExtendedResult(result.cos)};
                        },
                        {}});
  operations.push_back({"parse",
                        1,
                        1,
                        [](const Fields& in) {
                          const auto text = UnquoteText(in[0]);
                          if (!text) {
                            throw std::invalid_argument("not a quoted text: " + in[0]);
                          }
                          return Fields{ParseResult(*text)};
                        },
                        {}});
  return operations;
}

}  // namespace

const std::vector<VectorOperation>& VectorOperations() {
  static const std::vector<VectorOperation> operations = MakeOperations();
  return operations;
}

const VectorOperation* FindVectorOperation(std::string_view name) {
  for (const VectorOperation& operation : VectorOperations()) {
    if (name == operation.name) {
      return &operation;
    }
  }
  return nullptr;
}

}  // namespace ormakin::testing
