#include "studies/number_text.h"

#include <array>
#include <cstdio>

namespace ormakin::studies {

char* WriteExactText(double value, char* first, char* last) {
  if (last - first < kExactTextRoom) return first;
  const int length = std::snprintf(first, static_cast<std::size_t>(last - first), "%.17g", value);
  return length < 0 ? first : first + length;
}

std::string ExactText(double value) {
  std::array<char, kExactTextRoom> text{};
  return std::string(text.data(), WriteExactText(value, text.data(), text.data() + text.size()));
}

std::string FixedText(double value, int digits) {
  // The length first: the largest double has 309 digits before the point.
  const int length = std::snprintf(nullptr, 0, "%.*f", digits, value);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, "%.*f", digits, value);
  return text;
}

}  // namespace ormakin::studies
