// Reads one value from an initialisation file ("[section]" lines and
// "key=value" lines), the way the program's settings file is read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ormakin {

// Longest value returned, in bytes; longer values are cut.
inline constexpr std::size_t kMaxProfileValue = 2047;

// Opens the file at `path`, finds the first `key` of the first `section`
// (both matched without regard to ASCII letter case), closes the file and
// returns the value: blanks around "=" and around the value dropped, one pair
// of enclosing quotes dropped, cut to kMaxProfileValue bytes, ending at a NUL
// byte. A line with a name but no "=" is that key with an empty value. Lines
// starting with ";" are comments; lines end with LF, CR LF or a CR alone; a
// UTF-8 byte-order mark at the start is skipped, and a UTF-16 file with its
// byte-order mark is read in UTF-8. A missing or unreadable file, section or
// key gives the empty text.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key);

}  // namespace ormakin
