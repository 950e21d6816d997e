// File names in the system's ANSI code page, as its narrow calls give them.
#pragma once

#include <string>
#include <string_view>

namespace ormakin::win {

// The directory part of a path in the given code page, up to and including
// its last "\\", "/" or ":". The second byte of a double-byte character may
// be the byte of "\\" and is no separator then.
std::string DirectoryOfAnsiPath(std::string_view path, unsigned codePage);

}  // namespace ormakin::win
