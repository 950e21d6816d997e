// Test vectors of the car's extended arithmetic: a text file that the host
// build writes from its own results (the reference) and that the core's tests
// of every target replay, so that every target gives the same bits.
//
// One vector a line: the operation's name, its operands, then its expected
// results, separated by single spaces; '#' starts a comment line. Fields:
//   extended  signExponent:significand in lower-case hex, 4 and 16 digits
//             (3fff:8000000000000000 is 1)
//   double    the 16 hex digits of the IEEE double (3ff0000000000000 is 1)
//   int32     a decimal integer, or "none" where there is none
//   order     lt, eq, gt, or un (unordered: a NaN took part)
//   text      in double quotes; bytes outside '!'..'~', '"' and '%' as %XX
//   real      a double, or the name of the exception raised (EConvertError,
//             EOverflow)
// The operations and their fields:
//   add a b r, sub a b r, mul a b r, div a b r   extended, rounded to nearest
//   cmp a b order
//   from_double d r, to_double a d
//   trunc32 a int32                              Trunc32
//   sincos a sin cos                             SinCos
//   parse text real                              ParseReal with the mark '.'
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/extended/extended_bits.h"

namespace ormakin::testing {

std::string FormatExtended(ExtendedBits bits);
std::optional<ExtendedBits> ParseExtendedField(std::string_view field);
std::string FormatDouble(double value);
std::optional<double> ParseDoubleField(std::string_view field);
std::string QuoteText(std::string_view text);
std::optional<std::string> UnquoteText(std::string_view field);

// One line of a vector file, cut into its fields.
struct VectorLine {
  int number = 0;  // from 1
  std::vector<std::string> fields;
};
// The vectors of a file, comments and blank lines left out. Raises
// std::runtime_error when the file cannot be read.
std::vector<VectorLine> ReadVectorFile(const std::string& path);

// An operation as this build computes it: from the operand fields to the
// result fields, in the file's notation. An operand that does not parse makes
// `evaluate` raise std::invalid_argument.
struct VectorOperation {
  const char* name;
  int operands;
  int results;
  // Empty when this build cannot compute the operation; `missing` says why.
  std::function<std::vector<std::string>(const std::vector<std::string>& operands)> evaluate;
  std::string missing;
};

// Every operation the format knows, in the order above.
const std::vector<VectorOperation>& VectorOperations();
// Nothing for a name the format does not know.
const VectorOperation* FindVectorOperation(std::string_view name);

}  // namespace ormakin::testing
