#include "core/os/system_profile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace ormakin {

namespace {

// The path made absolute against the current directory: the system looks
// for a file name without a directory in the Windows directory instead.
std::string FullPath(const std::string& path) {
  std::vector<char> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) break;
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);  // the needed size, with the terminating NUL
  }
  return path;
}

}  // namespace

std::optional<std::string> ReadSystemProfileString(const std::string& path,
                                                   const std::string& section,
                                                   const std::string& key, std::size_t maxLength) {
  std::vector<char> buffer(maxLength + 1);
  const DWORD length =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                               static_cast<DWORD>(buffer.size()), FullPath(path).c_str());
  return std::string(buffer.data(), std::min<std::size_t>(length, maxLength));
}

}  // namespace ormakin
