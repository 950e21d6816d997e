// Decoding of code page 932, the code page of the settings files written on
// the system the program was first made for, with the system's own tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ormakin {

// The bytes decoded from code page 932 to UTF-8; a byte that does not decode
// (or a double-byte character cut short at the end) becomes `replacement`
// and the text goes on after it. Nothing when the system has no such tables.
std::optional<std::string> DecodeCodePage932(std::string_view bytes, std::string_view replacement);

}  // namespace ormakin
