#include "decimal_mark.h"

#include <atomic>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

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
#ifdef _WIN32
  // The thread's locale, as the user set it in the system's settings. A
  // separator of more than one byte does not fit the buffer and gives ".".
  char buffer[2] = {};
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, buffer, 2) == 2 && UsableMark(buffer[0])) {
    mark = buffer[0];
  }
#else
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
#endif
  SetDecimalMark(mark);
}

void SetDecimalMark(char mark) {
  gDecimalMark.store(mark, std::memory_order_relaxed);
}

}  // namespace ormakin
