#include "byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "errors.h"

namespace ormakin {

std::vector<std::uint8_t> ByteSource::Fetch(std::uint64_t offset, std::uint64_t count) const {
  if (offset > Size() || count > Size() - offset) {
    throw EReadError();
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  ReadAt(offset, bytes);
  return bytes;
}

void MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
    throw EReadError();
  }
  if (!out.empty()) {
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
  }
}

FileSource::FileSource(const std::string& fileName) {
  // O_NONBLOCK keeps the open of a named pipe from waiting for a writer; such
  // a file is refused below anyway.
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    throw EFOpenError(FileOpenMessage(fileName));
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EFOpenError(FileOpenMessage(fileName));
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      // An I/O error, or the file shrank while it was being read.
      throw EReadError();
    }
    done += static_cast<std::size_t>(got);
  }
}

}  // namespace ormakin
