#include "core/os/numeric_locale.h"

#include <langinfo.h>
#include <locale.h>

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

}  // namespace ormakin
