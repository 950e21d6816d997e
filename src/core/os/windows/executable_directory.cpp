#include "executable_directory.h"

#include <windows.h>

#include <vector>

#include "ansi_path.h"

namespace ormakin {

namespace win {

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

}  // namespace win

std::string ExecutableDirectory() {
  std::vector<char> buffer(MAX_PATH);
  while (buffer.size() <= 65536) {
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) break;
    if (length < buffer.size()) {
      return win::DirectoryOfAnsiPath(std::string_view(buffer.data(), length), CP_ACP);
    }
    buffer.resize(buffer.size() * 2);  // the name was cut: try a larger buffer
  }
  return ".\\";
}

}  // namespace ormakin
