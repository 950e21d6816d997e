// TempDir on Windows: a fresh directory under the user's temporary
// directory, with "/" between the names as the tests write them (the system
// takes both separators).
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/temp_dir.h"

namespace ormakin::testing {

namespace {

std::atomic<unsigned> gCounter{0};

}  // namespace

TempDir::TempDir() {
  char base[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) {
    throw std::runtime_error("cannot find the temporary directory");
  }
  std::string root(base, length);
  for (char& c : root) {
    if (c == '\\') c = '/';
  }
  if (root.back() != '/') root += '/';
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::string candidate = root + "ormakin-test-" + std::to_string(GetCurrentProcessId()) +
                                  "-" + std::to_string(gCounter++);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only files would stop the removal: make everything writable first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::PathOf(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

std::string TempDir::WriteFile(std::string_view name, std::string_view bytes) const {
  std::string path = PathOf(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

}  // namespace ormakin::testing
