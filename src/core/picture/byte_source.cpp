#include "core/picture/byte_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/base/errors.h"

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

FileSource::FileSource(const std::string& fileName) : file_(fileName) {
  if (!file_.IsOpen()) {
    throw EFOpenError(FileOpenMessage(fileName));
  }
}

void FileSource::ReadFromFile(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const std::size_t got = file_.ReadAt(offset + done, out.subspan(done));
    if (got == 0) {
      // An I/O error, or the file shrank while it was being read.
      throw EReadError();
    }
    done += got;
  }
}

void FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (!headRead_) {
    // Kept only once it has been read whole: after a failed read the next
    // read tries the file again.
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min(Size(), kHeadBytes)));
    ReadFromFile(0, head);
    head_ = std::move(head);
    headRead_ = true;
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
