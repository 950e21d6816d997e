// Failures of the program: each carries the message text that the user sees.
// Texts are UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace ormakin {

// The root of every failure that the program reports.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The text shown to the user.
  std::string Message() const { return what(); }
};

// A silent failure: the error handler shows nothing for it.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

// A text that is not a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A valid real number beyond the range of a double.
class EOverflow : public Exception {
 public:
  EOverflow() : Exception("浮動小数点数のオーバーフロー") {}
};

// A picture file of an unknown kind, or one that is not a valid picture.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be opened.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// A file that ends before the reader has what it needs.
class EReadError : public Exception {
 public:
  EReadError() : Exception("ストリームからの読み込みエラー") {}
};

// The system could not make something and gave an error code.
class EWin32Error : public Exception {
 public:
  EWin32Error(int code, const std::string& systemText);
};

// An operation that the object's present state does not allow.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// The message texts, with their %s already filled in.
std::string RealConvertMessage(const std::string& text);     // '%s' は浮動小数点数ではありません
std::string IntegerConvertMessage(const std::string& text);  // '%s' は整数ではありません
std::string UnknownExtensionMessage(const std::string& extension);
std::string FileOpenMessage(const std::string& fileName);
inline constexpr const char* kInvalidBitmapMessage = "ビットマップイメージが不正です";
inline constexpr const char* kInvalidIconMessage = "アイコンイメージが不正です";
inline constexpr const char* kInvalidMetafileMessage = "メタファイルが不正です";
inline constexpr const char* kBitmapOnlyMessage =
    "ビットマップを持っている時のみイメージの変更が可能です";

}  // namespace ormakin
