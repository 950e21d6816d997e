// ReadOnlyFile: a regular file opened for reading only, without waiting, and
// closed when the object goes. The course files and the settings file are
// read through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace ormakin {

class ReadOnlyFile {
 public:
  // Opens `path` (UTF-8; on Windows a name that is not UTF-8 is taken in the
  // system's code page). Only a regular file opens: a directory has nothing
  // to read, and a pipe or a device could block the program or never end.
  // Other programs may read the file meanwhile, where the system can say so
  // not write it. A name holding a NUL byte opens nothing.
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const { return handle_ != kClosed; }
  // The file's size in bytes when it was opened.
  std::uint64_t Size() const { return size_; }
  // Reads up to out.size() bytes from `offset` and returns how many it read:
  // fewer near the end, 0 at or beyond the end, on an error and when closed.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

 private:
  // The system's handle: a file descriptor, or a Windows file handle.
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t handle_ = kClosed;
  std::uint64_t size_ = 0;
};

}  // namespace ormakin
