#include "exact_text.h"

#include <array>
#include <cstdio>

namespace ormakin::studies {

std::string ExactText(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.17g", value);
  return text.data();
}

}  // namespace ormakin::studies
