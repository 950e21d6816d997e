#include "core/base/errors.h"

#include <string_view>

#include "core/base/text_encoding.h"

namespace ormakin {

namespace {

// `before` + `middle` + `after`, appended in order. A literal put in front of
// a temporary string (`"x" + f()`) inserts at the string's start, which GCC
// 12 at -O3 mistakes for an overlapping copy (-Wrestrict).
std::string Joined(std::string_view before, std::string_view middle, std::string_view after) {
  std::string text;
  text.reserve(before.size() + middle.size() + after.size());
  text.append(before).append(middle).append(after);
  return text;
}

std::string Win32ErrorMessage(int code, const std::string& systemText) {
  // The system's text loses its trailing blanks, control characters and dots.
  std::string text = systemText;
  while (!text.empty()) {
    const auto last = static_cast<unsigned char>(text.back());
    if (last <= 0x20 || last == '.') {
      text.pop_back();
    } else {
      break;
    }
  }
  return Joined("Win32 エラー。コード : ", std::to_string(code), ".\n") + text;
}

}  // namespace

EWin32Error::EWin32Error(int code, const std::string& systemText)
    : Exception(Win32ErrorMessage(code, systemText)) {}

// The text that did not convert may be in code page 932: only it is decoded
// for display, not the message around it.
std::string RealConvertMessage(const std::string& text) {
  return Joined("'", ToDisplayText(text), "' は浮動小数点数ではありません");
}

std::string IntegerConvertMessage(const std::string& text) {
  return Joined("'", ToDisplayText(text), "' は整数ではありません");
}

// A file name may be in code page 932 or any other encoding: as above, only
// the name is decoded, so the words around it stay readable.
std::string UnknownExtensionMessage(const std::string& extension) {
  return Joined("拡張子 .", ToDisplayText(extension), " の画像形式は処理できません");
}

std::string FileOpenMessage(const std::string& fileName) {
  return Joined("ファイル ", ToDisplayText(fileName), " は開けません");
}

}  // namespace ormakin
