// The system's number conventions: the user's decimal separator, and the
// conversion of a checked decimal text that does not depend on any locale.
#pragma once

#include <string>

namespace ormakin {

// The decimal separator of the user's numeric locale (on Windows the
// thread's locale), as the system gives it; empty when it cannot be read.
std::string LocaleDecimalSeparator();

// Converts a text of the form [-]digits.digitsE[-]digits, with "." as its
// decimal point whatever the locale, to the nearest value in extended
// precision. NaN when no locale-proof conversion is possible.
long double ExtendedFromText(const std::string& text);

}  // namespace ormakin
