// The program's texts are UTF-8; the system's wide calls take UTF-16. These
// convert at that boundary, for the core's system calls and the shell alike.
#pragma once

#include <string>
#include <string_view>

namespace ormakin::win {

// UTF-8 to UTF-16; a byte sequence that is not UTF-8 becomes U+FFFD.
std::wstring ToWide(std::string_view utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view wide);

// A file name as UTF-16: the program's names are UTF-8; a name that is not
// (one typed on a command line in the system's own code page) is read in
// that code page. Empty when it converts in neither.
std::wstring WideFileName(std::string_view name);

// The directory part of a path in the given code page, up to and including
// its last "\\", "/" or ":". The second byte of a double-byte character may
// be the byte of "\\" and is no separator then.
std::string DirectoryOfAnsiPath(std::string_view path, unsigned codePage);

// A filter of the form "description|pattern|description|pattern" as the
// file dialog wants it: each part ended by a NUL, the whole by a second NUL.
std::wstring ToDialogFilter(std::string_view filter);

}  // namespace ormakin::win
