#include "text_encoding.h"

#include <cerrno>
#include <cstdint>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace ormakin {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

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
      text += kReplacement;
    }
  }
  return text;
}

#ifdef _WIN32

// Appends the code page 932 character at the start of `bytes` to `text` as
// UTF-8 and returns its length in bytes; 0 when it does not decode.
std::size_t DecodeCp932(std::string_view bytes, std::string& text) {
  constexpr UINT kCp932 = 932;
  const bool lead = IsDBCSLeadByteEx(kCp932, static_cast<BYTE>(bytes[0])) != 0;
  const std::size_t length = lead ? 2 : 1;
  if (bytes.size() < length) return 0;
  wchar_t wide[2] = {};
  const int units = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data(),
                                        static_cast<int>(length), wide, 2);
  if (units <= 0) return 0;
  char utf8[8] = {};
  const int written =
      WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, sizeof utf8, nullptr, nullptr);
  if (written <= 0) return 0;
  text.append(utf8, static_cast<std::size_t>(written));
  return length;
}

#endif

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

#ifdef _WIN32
  // One character at a time, so that a byte that does not decode becomes one
  // U+FFFD and the text goes on after it.
  if (!IsValidCodePage(932)) return AsciiOnly(bytes);
  std::string text;
  while (!bytes.empty()) {
    std::size_t length = DecodeCp932(bytes, text);
    if (length == 0) {
      text += kReplacement;
      length = 1;
    }
    bytes.remove_prefix(length);
  }
  return text;
#else
  iconv_t converter = iconv_open("UTF-8", "CP932");
  // (iconv_t)-1 is iconv_open's failure value.
  if (converter == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
    return AsciiOnly(bytes);
  }

  std::string text;
  // A byte of code page 932 never becomes more than 3 bytes of UTF-8.
  std::vector<char> out(bytes.size() * 3 + 16);
  std::vector<char> in(bytes.begin(), bytes.end());
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  while (inLeft > 0) {
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    text.append(out.data(), out.size() - outLeft);
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;  // the output was flushed; go on
    // An undecodable byte (EILSEQ) or a double-byte character cut short at
    // the end (EINVAL): one U+FFFD for its first byte, then go on after it,
    // so every turn of the loop takes at least one byte.
    text += kReplacement;
    ++inPtr;
    --inLeft;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // reset the state
  }
  iconv_close(converter);
  return text;
#endif
}

}  // namespace ormakin
