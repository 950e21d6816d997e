#include "numeric_locale.h"

#include <windows.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>

namespace ormakin {

std::string LocaleDecimalSeparator() {
  // The thread's locale, as the user set it in the system's settings. A
  // separator of more than one byte does not fit the buffer and gives "".
  char buffer[2] = {};
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, buffer, 2) != 2) return {};
  return std::string(buffer, 1);
}

long double ExtendedFromText(const std::string& text) {
  // The runtime's own strtold rounds correctly to 80 bits; it reads the
  // decimal point of the process's C locale, so the "." is replaced by that
  // point first.
  const lconv* conventions = std::localeconv();
  const char point = (conventions != nullptr && conventions->decimal_point != nullptr &&
                      conventions->decimal_point[0] != '\0')
                         ? conventions->decimal_point[0]
                         : '.';
  std::string local = text;
  std::replace(local.begin(), local.end(), '.', point);
  return std::strtold(local.c_str(), nullptr);
}

}  // namespace ormakin
