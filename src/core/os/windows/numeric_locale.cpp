#include "core/os/numeric_locale.h"

#include <windows.h>

namespace ormakin {

std::string LocaleDecimalSeparator() {
  // The thread's locale, as the user set it in the system's settings. A
  // separator of more than one byte does not fit the buffer and gives "".
  char buffer[2] = {};
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, buffer, 2) != 2) return {};
  return std::string(buffer, 1);
}

}  // namespace ormakin
