// Whether a stream is shown to a person.
#pragma once

#include <cstdio>

namespace ormakin {

// True when `stream` writes to a terminal (a console on Windows), false for a
// file or a pipe.
bool IsTerminal(std::FILE* stream);

}  // namespace ormakin
