#include "core/os/code_page.h"

#include <windows.h>

#include "core/os/windows/wide_text.h"

namespace ormakin {

namespace {

constexpr UINT kCp932 = 932;

// Appends the character at the start of `bytes` to `text` as UTF-8 and
// returns its length in bytes; 0 when it does not decode.
std::size_t DecodeOne(std::string_view bytes, std::string& text) {
  const bool lead = IsDBCSLeadByteEx(kCp932, static_cast<BYTE>(bytes[0])) != 0;
  const std::size_t length = lead ? 2 : 1;
  if (bytes.size() < length) return 0;
  wchar_t wide[2] = {};
  const int units = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data(),
                                        static_cast<int>(length), wide, 2);
  if (units <= 0) return 0;
  text += win::ToUtf8(std::wstring_view(wide, static_cast<std::size_t>(units)));
  return length;
}

}  // namespace

std::optional<std::string> DecodeCodePage932(std::string_view bytes, std::string_view replacement) {
  if (!IsValidCodePage(kCp932)) return std::nullopt;
  // One character at a time, so that a byte that does not decode becomes one
  // replacement and the text goes on after it.
  std::string text;
  while (!bytes.empty()) {
    std::size_t length = DecodeOne(bytes, text);
    if (length == 0) {
      text += replacement;
      length = 1;
    }
    bytes.remove_prefix(length);
  }
  return text;
}

}  // namespace ormakin
