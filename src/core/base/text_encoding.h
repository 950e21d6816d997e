// Texts are UTF-8 inside the program. Settings files written on the system the
// program was first made for are in code page 932; their texts are converted
// for display only.
#pragma once

#include <string>
#include <string_view>

namespace ormakin {

// U+FFFD, the replacement character, in UTF-8: it stands for a byte that does
// not decode.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// The bytes as UTF-8 text for display: unchanged when they are valid UTF-8,
// otherwise decoded as code page 932 (bytes that do not decode become U+FFFD).
std::string ToDisplayText(std::string_view bytes);

}  // namespace ormakin
