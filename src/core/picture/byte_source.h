// ByteSource: the bytes of a picture file, read at any offset, either from
// memory or straight from an open file. Readers fetch their headers in small
// pieces and the pixel data in one piece straight into its store, without
// ever holding a second copy of a large file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/os/read_only_file.h"

namespace ormakin {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The number of bytes, fixed for the life of the source.
  virtual std::uint64_t Size() const = 0;
  // Copies out.size() bytes from `offset`; the caller has checked that they
  // lie inside Size(). Raises EReadError when the bytes cannot be read.
  virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;

  // Reads `count` bytes from `offset` into a new buffer; EReadError when they
  // do not all lie inside the source.
  std::vector<std::uint8_t> Fetch(std::uint64_t offset, std::uint64_t count) const;
};

// Bytes held by the caller, which must outlive the source.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A regular file opened read-only for as long as the object lives.
class FileSource final : public ByteSource {
 public:
  // Raises EFOpenError(FileOpenMessage(fileName)) when the file cannot be
  // opened for reading or is not a regular file (a directory, a device).
  explicit FileSource(const std::string& fileName);

  std::uint64_t Size() const override { return file_.Size(); }
  // Reads from the file's first block, kept since the first read, where it
  // can: a reader's many small reads of headers and colour table then cost
  // one system call.
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  // How much of the file's start is kept after the first read.
  static constexpr std::uint64_t kHeadBytes = 4096;

  void ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> out) const;

  ReadOnlyFile file_;
  mutable std::vector<std::uint8_t> head_;
  mutable bool headRead_ = false;
};

}  // namespace ormakin
