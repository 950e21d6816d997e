// A scratch directory for tests: created fresh under /tmp, removed with all
// its contents when the object goes away.
#pragma once

#include <string>
#include <string_view>

namespace ormakin::testing {

class TempDir {
 public:
  // Creates a new, uniquely named directory under /tmp. Throws
  // std::runtime_error when the system cannot make one.
  TempDir();
  // Removes the directory and everything in it (errors are ignored: a test
  // must not fail while cleaning up).
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's absolute path, without a trailing "/".
  const std::string& Path() const { return path_; }

  // The absolute path of `name` inside the directory (the file need not exist).
  std::string PathOf(std::string_view name) const;

  // Writes `bytes` exactly (binary, no newline translation) to `name` inside
  // the directory, replacing any earlier file, and returns its full path.
  // Throws std::runtime_error when the file cannot be written.
  std::string WriteFile(std::string_view name, std::string_view bytes) const;

 private:
  std::string path_;
};

}  // namespace ormakin::testing
