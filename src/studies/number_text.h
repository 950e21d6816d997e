// A double as the studies print it: 17 significant digits, enough to give
// back the very same double when read again.
#pragma once

#include <string>

namespace ormakin::studies {

std::string ExactText(double value);

}  // namespace ormakin::studies
