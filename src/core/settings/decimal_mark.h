// The decimal separator that ParseReal accepts, taken from the user's locale.
#pragma once

namespace ormakin {

// The current decimal mark; "." until RefreshDecimalMark has found another.
char DecimalMark();

// Reads the decimal separator of the user's numeric locale (LC_NUMERIC of the
// environment) again. A separator that is not exactly one byte gives ".".
// Called at start-up and whenever the user's locale changes.
void RefreshDecimalMark();

// Sets the mark directly (tests, and shells that learn it from elsewhere).
void SetDecimalMark(char mark);

}  // namespace ormakin
