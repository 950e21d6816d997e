#include "core/os/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ormakin {

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
  if (path.find('\0') != std::string::npos) return;
  // O_NONBLOCK keeps the open of a named pipe from waiting for a writer; such
  // a file is refused below anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return;
  }
  handle_ = fd;
  size_ = static_cast<std::uint64_t>(info.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (IsOpen()) ::close(static_cast<int>(handle_));
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (!IsOpen() || out.empty()) return 0;
  ssize_t got = 0;
  do {
    got = ::pread(static_cast<int>(handle_), out.data(), out.size(), static_cast<off_t>(offset));
  } while (got < 0 && errno == EINTR);
  return got > 0 ? static_cast<std::size_t>(got) : 0;
}

}  // namespace ormakin
