#include "byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "errors.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

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

#ifdef _WIN32

namespace {

// The file name as UTF-16 for the system: the program's names are UTF-8; a
// name that is not (one typed on a command line in the system's own code
// page) is read in that code page.
std::wstring WideFileName(const std::string& name) {
  for (const UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int length = MultiByteToWideChar(codePage, flags, name.data(),
                                           static_cast<int>(name.size()), nullptr, 0);
    if (length > 0) {
      std::wstring wide(static_cast<std::size_t>(length), L'\0');
      MultiByteToWideChar(codePage, flags, name.data(), static_cast<int>(name.size()), wide.data(),
                          length);
      return wide;
    }
  }
  return {};
}

}  // namespace

FileSource::FileSource(const std::string& fileName) {
  // Binary, read-only, shared with readers and writers alike.
  const std::wstring wide = WideFileName(fileName);
  fd_ = (wide.empty() || wide.find(L'\0') != std::wstring::npos)
            ? -1
            : ::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd_ < 0) {
    throw EFOpenError(FileOpenMessage(fileName));
  }
  struct _stati64 info {};
  if (::_fstati64(fd_, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
    ::_close(fd_);
    fd_ = -1;
    throw EFOpenError(FileOpenMessage(fileName));
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0) {
    ::_close(fd_);
  }
}

void FileSource::ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const auto position = static_cast<__int64>(offset + done);
    // One read takes at most 1 GiB, which an unsigned int count holds.
    const auto count = static_cast<unsigned>(std::min<std::size_t>(out.size() - done, 1u << 30));
    if (::_lseeki64(fd_, position, SEEK_SET) != position) {
      throw EReadError();
    }
    const int got = ::_read(fd_, out.data() + done, count);
    if (got <= 0) {
      // An I/O error, or the file shrank while it was being read.
      throw EReadError();
    }
    done += static_cast<std::size_t>(got);
  }
}

#else

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

void FileSource::ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> out) const {
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

#endif

void FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (!headRead_) {
    headRead_ = true;
    head_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size_, kHeadBytes)));
    ReadFromFile(0, head_);
  }
  // The part of the request that the first block holds, then the rest from
  // the file.
  std::size_t fromHead = 0;
  if (offset < head_.size() && !out.empty()) {
    fromHead = std::min(out.size(), head_.size() - static_cast<std::size_t>(offset));
    std::memcpy(out.data(), head_.data() + offset, fromHead);
  }
  if (fromHead < out.size()) {
    ReadFromFile(offset + fromHead, out.subspan(fromHead));
  }
}

}  // namespace ormakin
