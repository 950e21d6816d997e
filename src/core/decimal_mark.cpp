#include "decimal_mark.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cstring>

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
  char mark = '.';
  // A locale object of its own: the process's global C locale stays as it is,
  // so printf and strtod elsewhere keep their behaviour.
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (numeric != static_cast<locale_t>(nullptr)) {
    const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
    if (radix != nullptr && radix[0] != '\0' && radix[1] == '\0' && UsableMark(radix[0])) {
      mark = radix[0];
    }
    freelocale(numeric);
  }
  SetDecimalMark(mark);
}

void SetDecimalMark(char mark) {
  gDecimalMark.store(mark, std::memory_order_relaxed);
}

}  // namespace ormakin
