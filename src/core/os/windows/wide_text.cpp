#include "core/os/windows/wide_text.h"

#include <windows.h>

#include <climits>

namespace ormakin::win {

namespace {

// The text in `codePage` as UTF-16; with MB_ERR_INVALID_CHARS in `flags`
// empty where a byte does not convert.
std::wstring Widen(std::string_view text, UINT codePage, DWORD flags) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

std::wstring ToWide(std::string_view utf8) {
  return Widen(utf8, CP_UTF8, 0);
}

std::wstring WideFileName(std::string_view name) {
  std::wstring wide = Widen(name, CP_UTF8, MB_ERR_INVALID_CHARS);
  return wide.empty() ? Widen(name, CP_ACP, 0) : wide;
}

std::string ToUtf8(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::string DirectoryOfAnsiPath(std::string_view path, unsigned codePage) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) && i + 1 < path.size()) {
      ++i;  // the trail byte may be "\" without being a separator
    } else if (c == '\\' || c == '/' || c == ':') {
      end = i + 1;
    }
  }
  return std::string(path.substr(0, end));
}

std::wstring ToDialogFilter(std::string_view filter) {
  std::wstring result = ToWide(filter);
  for (wchar_t& c : result) {
    if (c == L'|') c = L'\0';
  }
  // Every part ends with a NUL and the list with one more.
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

}  // namespace ormakin::win
