// The shortest decimal text of a double that reads back as the same double,
// as std::to_chars writes it without a format: fixed or scientific, whichever
// is shorter (fixed on a tie), with "." as the decimal mark.
#pragma once

#include <string>

namespace ormakin {

std::string ShortestText(double value);

// The same text found through the C library's correctly rounded printf and
// strtod, for a standard library without a to_chars of doubles (emscripten's).
std::string ShortestTextByPrintf(double value);

}  // namespace ormakin
