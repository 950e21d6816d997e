// Whether a name leads to a character device: /dev/null, /dev/full or a
// terminal, or on Windows NUL or CON. Such a device takes what is written to
// it in place, as a stream of its own, and keeps no file that two writers
// could spoil for each other.
#pragma once

#include <string>

namespace ormakin {

// True when `name` exists and is a character device, links followed.
bool IsCharacterDevice(const std::string& name);

}  // namespace ormakin
