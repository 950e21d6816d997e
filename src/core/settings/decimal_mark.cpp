#include "core/settings/decimal_mark.h"

#include <atomic>
#include <cstring>
#include <string>

#include "core/os/numeric_locale.h"

namespace ormakin {

namespace {

// Atomic so that a shell may refresh the mark from its own event handler
// without a data race against a reader of it.
std::atomic<char> gDecimalMark{'.'};

// A separator that would make the number syntax ambiguous (a digit, a sign,
// the exponent letter, a blank or a control character) is not taken; "."
// stands in for it.
bool UsableMark(char mark) {
  const auto byte = static_cast<unsigned char>(mark);
  if (byte <= 0x20 || byte >= 0x7F) {
    return false;
  }
  if (mark >= '0' && mark <= '9') {
    return false;
  }
  return std::strchr("+-Ee", mark) == nullptr;
}

}  // namespace

char DecimalMark() {
  return gDecimalMark.load(std::memory_order_relaxed);
}

void RefreshDecimalMark() {
  // A separator of more than one byte gives ".".
  const std::string separator = LocaleDecimalSeparator();
  SetDecimalMark(separator.size() == 1 && UsableMark(separator[0]) ? separator[0] : '.');
}

void SetDecimalMark(char mark) {
  gDecimalMark.store(mark, std::memory_order_relaxed);
}

}  // namespace ormakin
