#include "core/base/text_encoding.h"

#include <utility>

#include "core/os/code_page.h"

namespace ormakin {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `bytes`, or 0
// when it is not one (an overlong form, a surrogate, beyond U+10FFFF, a lone
// continuation byte or a sequence cut short).
std::size_t Utf8SequenceLength(std::string_view bytes) {
  const auto at = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range allowed for the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong three-byte forms
    if (lead == 0xED) high = 0x9F;  // no surrogates U+D800 to U+DFFF
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong four-byte forms
    if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (at(i) < 0x80 || at(i) > 0xBF) return 0;
  }
  return length;
}

// Without the system's converter every byte beyond ASCII is shown as U+FFFD.
std::string AsciiOnly(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      text += c;
    } else {
      text += kReplacementCharacter;
    }
  }
  return text;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t length = Utf8SequenceLength(bytes);
    if (length == 0) return false;
    bytes.remove_prefix(length);
  }
  return true;
}

std::string ToDisplayText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  if (std::optional<std::string> text = DecodeCodePage932(bytes, kReplacementCharacter))
    return *std::move(text);
  return AsciiOnly(bytes);
}

}  // namespace ormakin
