// A file written whole. The bytes go to a temporary file in the target's
// folder, which takes the target's place only once it is complete: a write
// that fails or is interrupted never leaves a truncated file where a good
// one stood.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace ormakin {

// Why a file could not be written whole: "cannot write NAME: cause". The OS
// layer knows nothing of the program's own failures; its callers report
// this one as they report any other.
class FileReplacementError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileReplacement {
 public:
  // Starts replacing `target`, a regular file or a name not taken yet; a
  // symbolic link is followed, so its target is replaced and the link stays.
  // Raises FileReplacementError ("cannot write TARGET: cause") when the target is
  // read-only or no temporary file can be made beside it. `making`, when
  // given, hears the temporary file's name (UTF-8) before the file is made,
  // a new one for each name tried, so that whoever removes it when the
  // program is interrupted knows it from the start.
  explicit FileReplacement(const std::string& target,
                           const std::function<void(const std::string&)>& making = {});
  // Removes the temporary file unless Commit() put it in place.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Where the bytes are written until Commit().
  std::FILE* Stream() { return stream_; }

  // Flushes the file to the disk and puts it in the target's place, with
  // the old file's permissions. Raises FileReplacementError ("cannot write TARGET:
  // cause") when anything was lost or the target cannot be replaced (on
  // Windows, while another program holds it open); the old file then stays.
  void Commit();

 private:
  [[noreturn]] void Fail(const std::string& cause) const;

  std::string name_;       // as the user gave it, for messages
  std::string target_;     // the file replaced, links followed
  std::string temporary_;  // the file written
  std::FILE* stream_ = nullptr;
  bool existed_ = false;           // whether a file is replaced
  std::uint32_t permissions_ = 0;  // the replaced file's (POSIX)
};

// Whether output to `name` is written in place: a name that exists and is
// not a regular file (a pipe, a terminal, a device such as /dev/null) cannot
// be replaced, and the bytes go straight to it.
bool WritesInPlace(const std::string& name);

}  // namespace ormakin
