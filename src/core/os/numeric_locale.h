// The system's number conventions: the user's decimal separator.
#pragma once

#include <string>

namespace ormakin {

// The decimal separator of the user's numeric locale (on Windows the
// thread's locale), as the system gives it; empty when it cannot be read.
std::string LocaleDecimalSeparator();

}  // namespace ormakin
