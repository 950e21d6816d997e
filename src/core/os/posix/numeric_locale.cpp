#include "numeric_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdlib>

namespace ormakin {

std::string LocaleDecimalSeparator() {
  // A locale object of its own: the process's global C locale stays as it is,
  // so printf and strtod elsewhere keep their behaviour.
  std::string separator;
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (numeric != static_cast<locale_t>(nullptr)) {
    const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
    if (radix != nullptr) separator = radix;
    freelocale(numeric);
  }
  return separator;
}

long double ExtendedFromText(const std::string& text) {
  // The "C" locale, made once: the conversion must read "." whatever locale
  // the process or the user has chosen.
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (c == static_cast<locale_t>(nullptr)) return std::nanl("");
  return strtold_l(text.c_str(), nullptr, c);
}

}  // namespace ormakin
