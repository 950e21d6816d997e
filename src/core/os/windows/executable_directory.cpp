#include "core/os/executable_directory.h"

#include <windows.h>

#include <vector>

#include "core/os/windows/wide_text.h"

namespace ormakin {

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
