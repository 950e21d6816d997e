// Where the running program lies.
#pragma once

#include <string>

namespace ormakin {

// The directory of the running executable, with its final separator, so
// that a file name appended to it names a file beside the executable. When
// the system will not say, the current directory.
std::string ExecutableDirectory();

}  // namespace ormakin
