// Numbers as the studies and the tool print them. The decimal mark is always
// ".": the programs never change the process's C locale for printing.
#pragma once

#include <string>

namespace ormakin::studies {

// 17 significant digits, enough to give back the very same double when read
// again.
std::string ExactText(double value);

// The same text written at `first`, for a writer that fills a line of its
// own; `last - first` must be at least kExactTextRoom. Returns the end.
inline constexpr int kExactTextRoom = 32;
char* WriteExactText(double value, char* first, char* last);

// `digits` digits after the point, rounded to nearest ("12.5" for 12.46 with
// one digit), however many digits come before it.
std::string FixedText(double value, int digits);

}  // namespace ormakin::studies
